#pragma once
#include <memory>
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
// cannot be analysed, a file the table options name is bad, or the table's
// path is that of an input file or a report (nothing on standard output, the
// reason in detail()). Returns the paths of the reports and of the table that
// could not be written, the table last. `listener`, when given, hears every
// offspring too (after the table); `rankings`, when given, every ranking.
// `names`, when given, are options.names already read (it is not read again).
std::vector<std::string> runAnalysisWithTable(Data& parents, Data& sons, int radius, int missing,
                                              const std::string& folder,
                                              const TableOptions& options,
                                              RunProgress* progress = nullptr,
                                              OffspringListener* listener = nullptr,
                                              RankingListener* rankings = nullptr,
                                              unsigned threads = 1,
                                              std::shared_ptr<const NameBook> names = nullptr);
