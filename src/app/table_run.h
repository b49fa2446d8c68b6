#pragma once
#include <memory>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/offspring_listener.h"
#include "analysis/run_progress.h"
#include "input/data.h"
#include "ranking/ranked_table.h"
#include "ranking/table_options.h"

// runAnalysis with the ranked table written beside the three reports (in
// `folder`), whose text it leaves unchanged; the table goes to options.table
// as given. Throws RunFailure before any file is opened when the tables
// cannot be analysed or a file the table options name is bad (nothing on
// standard output, the reason in detail()). Whether the table's paths keep
// apart from the inputs and the reports is the caller's check
// (runPathsError). Returns the paths of the reports, of the table, of the
// short list and of the calibration that could not be written, in that
// order. `listener`, when given, hears every offspring too (after the
// table); `rankings`, when given, every ranking; `warnings`, when given,
// the table's warnings about its option files.
// `names`, when given, are options.names already read (it is not read again).
std::vector<std::string> runAnalysisWithTable(Data& parents, Data& sons, int radius, int missing,
                                              const std::string& folder,
                                              const TableOptions& options,
                                              RunProgress* progress = nullptr,
                                              OffspringListener* listener = nullptr,
                                              RankingListener* rankings = nullptr,
                                              unsigned threads = 1, uint64_t maxOutput = 0,
                                              std::ostream* warnings = nullptr,
                                              std::shared_ptr<const NameBook> names = nullptr);
