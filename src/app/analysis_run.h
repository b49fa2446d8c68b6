#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "input/data.h"

// `name` inside `folder`: the name alone when the folder is ".".
std::string inFolder(const std::string& folder, const std::string& name);

// Analyses the two tables for `radius` and replaces "Parent.out", "Fam.out"
// and "Famgenotypes.out" in `folder`, which must exist, each whole once the
// analysis is over (see ReportSet). `missing` is the tables' missing-value
// code. Throws RunFailure on tables that cannot be analysed, before the folder
// is touched, and when another run is writing reports there (the reason in its
// detail). Returns the paths of the reports that could not be written (every
// other report is still replaced), in the order Parent.out, Fam.out,
// Famgenotypes.out; a failure before the end (out of memory, a signal) leaves
// all three as they were. `progress`, `listener`, `threads` and `parallel`
// are passed to analyse(). The reports stop, all three kept as they were, with
// RunFailure (the reason in its detail) once they would grow past `maxOutput`
// bytes (0: no limit) or the space free in `folder` (see SizeGuard).
std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius, int missing,
                                     const std::string& folder, RunProgress* progress = nullptr,
                                     OffspringListener* listener = nullptr, unsigned threads = 1,
                                     ParallelListener* parallel = nullptr, uint64_t maxOutput = 0);
