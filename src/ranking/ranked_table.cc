#include "ranking/ranked_table.h"

#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"

namespace {

AlleleFrequencies frequenciesFor(const GenotypeTables& tables, const TableOptions& options) {
  if (options.frequencies.empty()) return AlleleFrequencies::count(tables);
  return readFrequencyFile(options.frequencies, tables.loci);
}

}  // namespace

RankedTable::RankedTable(const GenotypeTables& tables, const TableOptions& options,
                         int32_t radius, std::shared_ptr<const NameBook> names)
    : settings_(options.settings),
      radius_(radius),
      frequencies_(frequenciesFor(tables, options)),
      knownMothers_(options.knownMothers.empty()
                        ? std::vector<int32_t>(tables.offspring.size(), -1)
                        : readKnownMothers(options.knownMothers, tables)),
      names_(names != nullptr || options.names.empty()
                 ? std::move(names)
                 : std::make_shared<const NameBook>(options.names, tables)),
      labels_(tables, names_.get()),
      ranker_(tables, frequencies_, settings_) {}

void RankedTable::start(ReportSink& sink) {
  sink_ = &sink;
  text_ = kTableHeader;
}

void RankedTable::offspringDone(const OffspringOutcome& outcome) {
  ranker_.rank(outcome.offspring, knownMothers_[outcome.offspring], ranking_);
  SearchFacts facts;
  facts.radius = radius_;
  facts.families = outcome.families;
  facts.pairInFam =
      ranking_.pair.found && outcome.isFamily(ranking_.pair.mother, ranking_.pair.father);
  appendTableRow(text_, outcome.offspring, ranking_, facts, labels_);
  if (rankings_ != nullptr) rankings_->ranked(outcome.offspring, ranking_, settings_.minDelta);
  sink_->flushIfLarge(text_);
}

bool RankedTable::close() {
  sink_->write(text_);
  return sink_->close();
}
