#include "ranking/ranked_table.h"

#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"
#include "ranking/mismatch_limit.h"

namespace {

AlleleFrequencies frequenciesFor(const GenotypeTables& tables, const TableOptions& options) {
  if (options.frequencies.empty()) return AlleleFrequencies::count(tables);
  return readFrequencyFile(options.frequencies, tables.loci);
}

// Rows and rankings of consecutive offspring, as one thread made them.
struct TablePiece : BlockPiece {
  std::string rows;
  std::vector<std::pair<size_t, OffspringRanking>> rankings;  // kept when a listener waits
};

}  // namespace

class RankedTable::Worker : public OffspringWorker {
 public:
  explicit Worker(const RankedTable& table)
      : table_(table), ranker_(table.tables_, table.frequencies_, table.settings_) {}

  std::unique_ptr<BlockPiece> newPiece() override { return std::make_unique<TablePiece>(); }

  void offspringDone(const OffspringOutcome& outcome, BlockPiece& piece) override {
    TablePiece& out = static_cast<TablePiece&>(piece);
    ranker_.rank(outcome.offspring, table_.knownMothers_[outcome.offspring], ranking_);
    SearchFacts facts;
    facts.radius = table_.radius_;
    facts.families = outcome.families;
    facts.pairInFam =
        ranking_.pair.found && outcome.isFamily(ranking_.pair.mother, ranking_.pair.father);
    appendTableRow(out.rows, outcome.offspring, ranking_, facts, table_.labels_);
    if (table_.rankings_ != nullptr) out.rankings.emplace_back(outcome.offspring, ranking_);
  }

 private:
  const RankedTable& table_;
  OffspringRanker ranker_;
  OffspringRanking ranking_;
};

RankedTable::RankedTable(const GenotypeTables& tables, const TableOptions& options,
                         int32_t radius, std::shared_ptr<const NameBook> names)
    : tables_(tables),
      settings_(options.settings),
      radius_(radius),
      frequencies_(frequenciesFor(tables, options)),
      knownMothers_(options.knownMothers.empty()
                        ? std::vector<int32_t>(tables.offspring.size(), -1)
                        : readKnownMothers(options.knownMothers, tables)),
      names_(names != nullptr || options.names.empty()
                 ? std::move(names)
                 : std::make_shared<const NameBook>(options.names, tables)),
      labels_(tables, names_.get()) {
  if (settings_.autoMismatches) {
    settings_.limitByLoci = mismatchLimits(tables.loci, settings_.errorRate);
  }
}

void RankedTable::start(ReportSink& sink) {
  sink_ = &sink;
  text_ = kTableHeader;
}

std::unique_ptr<OffspringWorker> RankedTable::newWorker() {
  return std::make_unique<Worker>(*this);
}

void RankedTable::blockDone(BlockPiece& piece) {
  TablePiece& in = static_cast<TablePiece&>(piece);
  text_ += in.rows;
  in.rows.clear();
  for (const auto& told : in.rankings) {
    rankings_->ranked(told.first, told.second, settings_.minDelta);
  }
  in.rankings.clear();
  sink_->flushIfLarge(text_);
}

bool RankedTable::close() {
  sink_->write(text_);
  return sink_->close();
}
