#include "ranking/ranked_table.h"

#include "ranking/candidate_files.h"
#include "ranking/error_rate_file.h"
#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"

namespace {

AlleleFrequencies frequenciesFor(const GenotypeTables& tables, const TableOptions& options) {
  if (options.frequencies.empty() && options.settings.hermaphrodites) {
    // Each individual is listed as a mother and as a father: count it once.
    const std::vector<std::vector<int>> once(
        tables.parents.begin(), tables.parents.begin() + static_cast<std::ptrdiff_t>(tables.mothers));
    return AlleleFrequencies::count({once, tables.offspring, tables.loci, tables.mothers, tables.missing});
  }
  if (options.frequencies.empty()) return AlleleFrequencies::count(tables);
  return readFrequencyFile(options.frequencies, tables.loci);
}

RankingSettings settingsFor(const GenotypeTables& tables, const TableOptions& options) {
  RankingSettings settings = options.settings;
  if (!options.errorRates.empty()) {
    settings.locusErrorRates = readErrorRateFile(options.errorRates, tables.loci, options.locusNames);
  }
  return settings;
}

}  // namespace

RankedTable::RankedTable(const GenotypeTables& tables, const TableOptions& options,
                         int32_t radius)
    : settings_(settingsFor(tables, options)),
      top_(options.top),
      motherRows_(tables.mothers),
      radius_(radius),
      frequencies_(frequenciesFor(tables, options)),
      names_(options.names.empty() ? nullptr : std::make_unique<NameBook>(options.names, tables)),
      knownMothers_(options.knownMothers.empty()
                        ? std::vector<int32_t>(tables.offspring.size(), -1)
                        : readKnownMothers(options.knownMothers, tables, names_.get())),
      labels_(tables, names_.get()),
      ranker_(tables, frequencies_, settings_) {
  if (options.groups.empty() && options.exclude.empty()) return;
  filter_ = std::make_unique<CandidateFilter>(tables.offspring.size(), tables.parents.size());
  if (!options.groups.empty()) readGroupsFile(options.groups, tables, names_.get(), *filter_);
  if (!options.exclude.empty()) readExclusionsFile(options.exclude, tables, names_.get(), *filter_);
  filter_->finish();
  ranker_.restrictTo(filter_.get());
  if (!filter_->hasGroups()) return;
  const size_t parents = filter_->parentsWithoutGroup();
  const size_t offspring = filter_->offspringWithoutGroup();
  if (parents > 0 || offspring > 0) {
    warnings_.push_back("parentsphere: warning: groups file " + options.groups + ": " +
                        std::to_string(parents) +
                        " parents without a group are candidates of every offspring; " +
                        std::to_string(offspring) + " offspring without a group keep every candidate");
  }
}

void RankedTable::start(ReportSink& sink) {
  sink_ = &sink;
  text_ = kTableHeader;
  if (settings_.hermaphrodites) {
    text_.pop_back();
    text_ += "\tself\n";
  }
}

void RankedTable::offspringDone(const OffspringOutcome& outcome) {
  ranker_.rank(outcome.offspring, knownMothers_[outcome.offspring], ranking_);
  SearchFacts facts;
  facts.radius = radius_;
  facts.families = outcome.families;
  facts.pairInFam =
      ranking_.pair.found && outcome.isFamily(ranking_.pair.mother, ranking_.pair.father);
  appendTableRow(text_, outcome.offspring, ranking_, facts, labels_);
  if (settings_.hermaphrodites) {
    // The last column: whether the pair's two parents are one individual.
    text_.pop_back();
    const BestCandidate& pair = ranking_.pair;
    if (pair.found) {
      text_ += pair.mother + motherRows_ == pair.father ? "\tyes" : "\tno";
    } else {
      text_ += '\t';
    }
    text_ += '\n';
  }
  if (shortList_ != nullptr) shortList_->add(outcome.offspring, ranker_, labels_);
  if (rankings_ != nullptr) rankings_->ranked(outcome.offspring, ranking_, settings_.minDelta);
  sink_->flushIfLarge(text_);
}

bool RankedTable::close() {
  sink_->write(text_);
  return sink_->close();
}

void RankedTable::startShortList(ReportSink& sink) {
  shortList_ = std::make_unique<ShortList>(top_, radius_);
  shortList_->start(sink);
}

bool RankedTable::closeShortList() { return shortList_ == nullptr || shortList_->close(); }
