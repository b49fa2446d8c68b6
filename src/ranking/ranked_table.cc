#include "ranking/ranked_table.h"

#include "ranking/candidate_files.h"
#include "ranking/error_rate_file.h"
#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"
#include "ranking/mismatch_limit.h"

namespace {

AlleleFrequencies frequenciesFor(const GenotypeTables& tables, const TableOptions& options,
                                 unsigned threads) {
  if (options.frequencies.empty() && options.settings.hermaphrodites) {
    // Each individual is listed as a mother and as a father: count it once.
    const std::vector<std::vector<int>> once(
        tables.parents.begin(), tables.parents.begin() + static_cast<std::ptrdiff_t>(tables.mothers));
    return AlleleFrequencies::count({once, tables.offspring, tables.loci, tables.mothers, tables.missing},
                                    threads);
  }
  if (options.frequencies.empty()) return AlleleFrequencies::count(tables, threads);
  return readFrequencyFile(options.frequencies, tables.loci);
}

RankingSettings settingsFor(const GenotypeTables& tables, const TableOptions& options) {
  RankingSettings settings = options.settings;
  if (!options.errorRates.empty()) {
    settings.locusErrorRates = readErrorRateFile(options.errorRates, tables.loci, options.locusNames);
  }
  return settings;
}

// Rows and rankings of consecutive offspring, as one thread made them.
struct TablePiece : BlockPiece {
  std::string rows;
  std::string shortRows;  // the short list's rows, with --candidates
  std::vector<std::pair<size_t, OffspringRanking>> rankings;  // kept when a listener waits
};

}  // namespace

class RankedTable::Worker : public OffspringWorker {
 public:
  explicit Worker(const RankedTable& table)
      : table_(table),
        ranker_(table.tables_, table.frequencies_, table.settings_),
        shortList_(table.top_, table.radius_) {
    ranker_.restrictTo(table.filter_.get());
    ranker_.scoreEveryCandidateExactly(table.shortSink_ != nullptr);
  }

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
    if (table_.settings_.hermaphrodites) {
      // The last column: whether the pair's two parents are one individual.
      out.rows.pop_back();
      const BestCandidate& pair = ranking_.pair;
      if (pair.found) {
        out.rows += pair.mother + table_.motherRows_ == pair.father ? "\tyes" : "\tno";
      } else {
        out.rows += '\t';
      }
      out.rows += '\n';
    }
    if (table_.shortSink_ != nullptr) {
      shortList_.add(out.shortRows, outcome.offspring, ranker_, table_.labels_);
    }
    if (table_.rankings_ != nullptr) out.rankings.emplace_back(outcome.offspring, ranking_);
  }

 private:
  const RankedTable& table_;
  OffspringRanker ranker_;
  OffspringRanking ranking_;
  ShortList shortList_;
};

RankedTable::RankedTable(const GenotypeTables& tables, const TableOptions& options,
                         int32_t radius, std::shared_ptr<const NameBook> names,
                         unsigned threads)
    : tables_(tables),
      settings_(settingsFor(tables, options)),
      top_(options.top),
      motherRows_(tables.mothers),
      radius_(radius),
      frequencies_(frequenciesFor(tables, options, threads)),
      names_(names != nullptr || options.names.empty()
                 ? std::move(names)
                 : std::make_shared<const NameBook>(options.names, tables)),
      knownMothers_(options.knownMothers.empty()
                        ? std::vector<int32_t>(tables.offspring.size(), -1)
                        : readKnownMothers(options.knownMothers, tables, names_.get())),
      labels_(tables, names_.get()) {
  const std::vector<double> rates =
      settings_.locusErrorRates.empty()
          ? std::vector<double>(static_cast<size_t>(tables.loci), settings_.errorRate)
          : settings_.locusErrorRates;
  const double rate = trueParentMismatchRate(frequencies_, rates);
  const std::vector<int32_t> limits =
      rate > 0.0 ? mismatchLimits(tables.loci, rate)
                 : std::vector<int32_t>(static_cast<size_t>(tables.loci) + 1, 0);
  if (settings_.autoMismatches) {
    settings_.limitByLoci = limits;
  } else if (!settings_.maxMismatchesGiven && limits.back() > settings_.maxMismatches) {
    // The default K is cheap but may be short for the panel: offspring it
    // leaves without a strict pair are ranked again at the limit from the
    // data, and the run says so.
    settings_.widerByLoci = limits;
    warnings_.push_back("parentsphere: note: at " + std::to_string(tables.loci) +
                        " loci, K = " + std::to_string(settings_.maxMismatches) +
                        " (the default) may leave up to about " +
                        lostPercent(tables.loci, rate, settings_.maxMismatches) +
                        "% of true parents unscored at the table's error rate; "
                        "offspring with a strict parent but no strict pair are ranked again at K = " +
                        std::to_string(limits.back()) + " (--max-mismatches auto's)");
  }
  if (options.groups.empty() && options.exclude.empty()) return;
  filter_ = std::make_unique<CandidateFilter>(tables.offspring.size(), tables.parents.size());
  if (!options.groups.empty()) readGroupsFile(options.groups, tables, names_.get(), *filter_);
  if (!options.exclude.empty()) readExclusionsFile(options.exclude, tables, names_.get(), *filter_);
  filter_->finish();
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
  if (shortSink_ != nullptr) {
    shortText_ += in.shortRows;
    in.shortRows.clear();
    shortSink_->flushIfLarge(shortText_);
  }
  sink_->flushIfLarge(text_);
}

bool RankedTable::close() {
  sink_->write(text_);
  return sink_->close();
}

void RankedTable::startShortList(ReportSink& sink) {
  shortSink_ = &sink;
  shortText_ = kShortListHeader;
}

bool RankedTable::closeShortList() {
  if (shortSink_ == nullptr) return true;
  shortSink_->write(shortText_);
  return shortSink_->close();
}
