#pragma once
#include <string>
#include <vector>

#include "input/data.h"

// Analyses the two tables for `radius` and writes "Parent.out", "Fam.out" and
// "Famgenotypes.out" in the current directory. Throws RunFailure on tables
// that cannot be analysed, before any report is opened. Returns the names of
// the reports that could not be opened, written or closed (every other report
// is still written in full), in the order Parent.out, Fam.out, Famgenotypes.out.
// Precondition: valoresperdidos holds the tables' missing-value code.
std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius);
