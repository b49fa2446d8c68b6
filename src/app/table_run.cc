#include "app/table_run.h"

#include <memory>

#include "app/analysis_run.h"
#include "app/table_calibration.h"
#include "input/table_checks.h"
#include "ranking/ranked_table.h"
#include "files/replaced_file.h"

std::vector<std::string> runAnalysisWithTable(Data& parents, Data& sons, int radius, int missing,
                                              const std::string& folder,
                                              const TableOptions& options,
                                              RunProgress* progress,
                                              OffspringListener* listener,
                                              RankingListener* rankings, unsigned threads,
                                              uint64_t maxOutput, std::ostream* warnings,
                                              std::shared_ptr<const NameBook> names) {
  const int mothers = prepareTables(parents, sons);
  const GenotypeTables tables{parents.rows, sons.rows, parents.nLoci, mothers, missing};
  RankedTable table(tables, options, radius, std::move(names));
  if (warnings != nullptr) {
    for (const std::string& line : table.warnings()) *warnings << line << "\n";
    *warnings << std::flush;
  }
  const std::string calibrationUnwritten = calibrateTable(tables, table, options, threads, rankings);
  // Written beside its final name and put in place only when complete, like
  // the reports. A table that cannot be created is a sink that has failed
  // already: the reports are still written, and the table is named among the
  // unwritten.
  ReplacedFile tableFile(options.table);
  table.start(tableFile.sink());
  std::unique_ptr<ReplacedFile> shortListFile;
  if (!options.candidates.empty()) {
    shortListFile = std::make_unique<ReplacedFile>(options.candidates);
    table.startShortList(shortListFile->sink());
  }
  table.tellRankings(rankings);
  std::vector<std::string> unwritten =
      runAnalysis(parents, sons, radius, missing, folder, progress, listener, threads, &table,
                  maxOutput);
  const bool tableWritten = table.close();
  if (!tableFile.commit() || !tableWritten) unwritten.push_back(options.table);
  if (shortListFile != nullptr) {
    const bool listWritten = table.closeShortList();
    if (!shortListFile->commit() || !listWritten) unwritten.push_back(options.candidates);
  }
  if (!calibrationUnwritten.empty()) unwritten.push_back(calibrationUnwritten);
  return unwritten;
}
