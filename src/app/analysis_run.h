#pragma once
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "input/data.h"

// `name` inside `folder`: the name alone when the folder is ".".
std::string inFolder(const std::string& folder, const std::string& name);

// Analyses the two tables for `radius` and writes "Parent.out", "Fam.out" and
// "Famgenotypes.out" in `folder`, which must exist. `missing` is the tables'
// missing-value code. Throws RunFailure on tables that cannot be analysed,
// before any report is opened. Returns the paths of the reports that could not
// be opened, written or closed (every other report is still written in full),
// in the order Parent.out, Fam.out, Famgenotypes.out. `progress` and
// `listener`, when given, are passed to analyse().
std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius, int missing,
                                     const std::string& folder, RunProgress* progress = nullptr,
                                     OffspringListener* listener = nullptr);
