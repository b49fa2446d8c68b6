#pragma once
#include <string>
#include <vector>

#include "analysis/run_progress.h"
#include "input/data.h"
#include "ranking/ranked_table.h"

// runAnalysis with the ranked table written beside the three reports, whose
// text it leaves unchanged. Throws RunFailure before any file is opened when
// the tables cannot be analysed, a file the table options name is bad, or the
// table's path is that of an input file or a report. Returns the names of the
// reports and of the table that could not be written, the table last.
std::vector<std::string> runAnalysisWithTable(Data& parents, Data& sons, int radius, int missing,
                                              const TableOptions& options,
                                              RunProgress* progress = nullptr);
