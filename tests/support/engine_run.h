#pragma once
// The engine on two tables as read, the way the program runs it: checked
// once (checkTables, which throws RunFailure for tables it refuses), then
// analysed.
#include "analysis/analyse.h"
#include "input/table_checks.h"

inline SinkResults analyseTables(Data& parents, Data& sons, int radius, int missing,
                                 const ReportSinks& sinks, RunProgress* progress = nullptr,
                                 OffspringListener* listener = nullptr, unsigned threads = 1,
                                 ParallelListener* parallel = nullptr) {
  return analyse(checkTables(parents, sons, missing), radius, sinks,
                 {progress, listener, parallel}, threads);
}
