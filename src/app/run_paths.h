#pragma once
#include <string>
#include <vector>

#include "app/run_options.h"

// Where the reports of `radius` go: the output folder, or its radius-R folder
// when several radii are analysed.
std::string reportFolder(const RunOptions& options, int radius);

// A file the run writes under a name the command line gives, and how
// messages name it.
struct NamedOutput {
  std::string path;
  std::string label;  // e.g. "--table 't.tsv'"
};

// The named outputs this run writes (--table and its calibration,
// --candidates, --markers, --summary), those not asked for left out. The
// path rule and the folder locks both take them from here.
std::vector<NamedOutput> namedOutputs(const RunOptions& options);

// After parsing: "" when every file the run writes (the reports in the
// output folder or its radius-R folders, the named outputs) is apart from
// every file it reads (--parents, --offspring and the table's option files)
// and from every other file it writes, and every named output is a regular
// file or not there yet; otherwise why not, in one line naming both options
// (see pathClash).
std::string runPathsError(const RunOptions& options);
