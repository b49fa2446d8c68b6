#include "app/table_run.h"

#include "app/analysis_run.h"
#include "input/table_checks.h"
#include "ranking/ranked_table.h"
#include "files/replaced_file.h"

namespace {

// Tells two listeners about every offspring, in turn.
class BothListeners : public OffspringListener {
 public:
  BothListeners(OffspringListener& first, OffspringListener* second)
      : first_(first), second_(second) {}
  void offspringDone(const OffspringOutcome& outcome) override {
    first_.offspringDone(outcome);
    if (second_ != nullptr) second_->offspringDone(outcome);
  }

 private:
  OffspringListener& first_;
  OffspringListener* second_;
};

}  // namespace

std::vector<std::string> runAnalysisWithTable(Data& parents, Data& sons, int radius, int missing,
                                              const std::string& folder,
                                              const TableOptions& options,
                                              RunProgress* progress,
                                              OffspringListener* listener,
                                              RankingListener* rankings, unsigned threads,
                                              uint64_t maxOutput) {
  const int mothers = prepareTables(parents, sons);
  const GenotypeTables tables{parents.rows, sons.rows, parents.nLoci, mothers, missing};
  RankedTable table(tables, options, radius);
  // Written beside its final name and put in place only when complete, like
  // the reports. A table that cannot be created is a sink that has failed
  // already: the reports are still written, and the table is named among the
  // unwritten.
  ReplacedFile tableFile(options.table);
  table.start(tableFile.sink());
  table.tellRankings(rankings);
  BothListeners listeners(table, listener);
  std::vector<std::string> unwritten =
      runAnalysis(parents, sons, radius, missing, folder, progress, &listeners, threads, maxOutput);
  const bool tableWritten = table.close();
  if (!tableFile.commit() || !tableWritten) unwritten.push_back(options.table);
  return unwritten;
}
