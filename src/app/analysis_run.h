#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "app/table_run.h"
#include "input/checked_tables.h"

// `name` inside `folder`: the name alone when the folder is ".".
std::string inFolder(const std::string& folder, const std::string& name);

// One radius of a run: the radius and where its reports go, with the run's
// thread count and report size limit. The one place a radius's settings
// live; runRadius passes them on.
struct RadiusRun {
  int32_t radius = 0;
  std::string folder = ".";  // must exist
  unsigned threads = 1;      // search (and ranking) threads, at least one
  uint64_t maxOutput = 0;    // --max-output: the reports' size limit in bytes; 0: none
};

// What a radius's analysis feeds besides the three reports, each optional:
// the progress line, a listener hearing every offspring in order (the marker
// outputs) and the ranked table (with --table).
struct RunListeners {
  RunProgress* progress = nullptr;
  OffspringListener* offspring = nullptr;
  TableRun* table = nullptr;
};

// Analyses the checked tables at run.radius and replaces "Parent.out",
// "Fam.out" and "Famgenotypes.out" in run.folder, each whole once the
// analysis is over (see ReportSet); with listeners.table the ranked table is
// started first (its option files read, the calibration written) and
// finished after the reports. Throws RunFailure when a file the table's
// options name is bad, before any file is opened, and when another run is
// writing reports in the folder (the reason in its detail). Returns the
// paths that could not be written (every other file is still replaced), in
// the order Parent.out, Fam.out, Famgenotypes.out, then the table's (see
// TableRun::finish); a failure before the end (out of memory, a signal)
// leaves the three reports as they were. The reports stop, all three kept
// as they were, with RunFailure (the reason in its detail) once they would
// grow past run.maxOutput bytes or the space free in the folder (see
// SizeGuard).
std::vector<std::string> runRadius(const CheckedTables& tables, const RadiusRun& run,
                                   const RunListeners& listeners = {});
