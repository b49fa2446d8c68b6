#include "app/table_run.h"

#include <utility>

#include "app/table_calibration.h"

TableRun::TableRun(TableOptions options, std::shared_ptr<const NameBook> names,
                   std::ostream* warnings, RankingListener* rankings, unsigned threads)
    : options_(std::move(options)),
      names_(std::move(names)),
      warnings_(warnings),
      rankings_(rankings),
      threads_(threads) {}

ParallelListener& TableRun::start(const CheckedTables& tables, int32_t radius) {
  shortListFile_.reset();
  tableFile_.reset();
  table_.reset();
  genotypes_.reset();
  genotypes_.emplace(genotypeTables(tables));
  table_ = std::make_unique<RankedTable>(*genotypes_, options_, radius, names_, threads_);
  if (warnings_ != nullptr) {
    for (const std::string& line : table_->warnings()) *warnings_ << line << "\n";
    *warnings_ << std::flush;
  }
  calibrationUnwritten_ = calibrateTable(*genotypes_, *table_, options_, threads_, rankings_);
  // Written beside its final name and put in place only when complete, like
  // the reports. A table that cannot be created is a sink that has failed
  // already: the reports are still written, and the table is named among the
  // unwritten.
  tableFile_ = std::make_unique<ReplacedFile>(options_.table);
  table_->start(tableFile_->sink());
  if (!options_.candidates.empty()) {
    shortListFile_ = std::make_unique<ReplacedFile>(options_.candidates);
    table_->startShortList(shortListFile_->sink());
  }
  table_->tellRankings(rankings_);
  return *table_;
}

void TableRun::finish(std::vector<std::string>& unwritten) {
  const bool tableWritten = table_->close();
  if (!tableFile_->commit() || !tableWritten) unwritten.push_back(options_.table);
  if (shortListFile_ != nullptr) {
    const bool listWritten = table_->closeShortList();
    if (!shortListFile_->commit() || !listWritten) unwritten.push_back(options_.candidates);
  }
  if (!calibrationUnwritten_.empty()) unwritten.push_back(calibrationUnwritten_);
}
