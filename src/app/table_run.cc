#include "app/table_run.h"


#include <filesystem>

#include "app/analysis_run.h"
#include "input/table_checks.h"
#include "ranking/ranked_table.h"
#include "reports/replaced_file.h"
#include "status/run_failure.h"

namespace {

// True when `a` and `b` name one file, existing or to be created.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  const std::filesystem::path x = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const std::filesystem::path y = std::filesystem::weakly_canonical(b, error);
  return !error && x == y;
}

// The table must not overwrite what the run reads or another output.
void checkTablePath(const Data& parents, const Data& sons, const std::string& folder,
                    const TableOptions& options) {
  const std::vector<std::string> taken = {
      parents.fileName,          sons.fileName,       options.frequencies,
      options.knownMothers,      options.names,       inFolder(folder, "Parent.out"),
      inFolder(folder, "Fam.out"), inFolder(folder, "Famgenotypes.out")};
  for (const std::string& name : taken) {
    if (!name.empty() && sameFile(options.table, name)) {
      throw RunFailure("", "parentsphere: the table file " + options.table + " is also " + name);
    }
  }
}

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
                                              std::shared_ptr<const NameBook> names) {
  const int mothers = prepareTables(parents, sons);
  const GenotypeTables tables{parents.rows, sons.rows, parents.nLoci, mothers, missing};
  RankedTable table(tables, options, radius, std::move(names));
  checkTablePath(parents, sons, folder, options);
  // Written beside its final name and put in place only when complete, like
  // the reports. A table that cannot be created is a sink that has failed
  // already: the reports are still written, and the table is named among the
  // unwritten.
  ReplacedFile tableFile(options.table);
  table.start(tableFile.sink());
  table.tellRankings(rankings);
  BothListeners listeners(table, listener);
  std::vector<std::string> unwritten =
      runAnalysis(parents, sons, radius, missing, folder, progress, &listeners, threads);
  const bool tableWritten = table.close();
  if (!tableFile.commit() || !tableWritten) unwritten.push_back(options.table);
  return unwritten;
}
