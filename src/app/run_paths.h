#pragma once
#include <string>

#include "app/run_options.h"

// After parsing: "" when every file the run writes (the reports in the
// output folder or its radius-R folders, --table, --markers, --summary) is
// apart from every file it reads (--parents, --offspring, --frequencies,
// --known-mothers, --names) and from every other file it writes, and every
// output named on the command line is a regular file or not there yet;
// otherwise why not, in one line naming both options (see pathClash).
std::string runPathsError(const RunOptions& options);
