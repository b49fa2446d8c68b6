#pragma once
#include <cstdint>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "analysis/parallel_listener.h"
#include "ranking/allele_frequencies.h"
#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"
#include "ranking/offspring_ranking.h"
#include "ranking/short_list.h"
#include "ranking/table_options.h"
#include "ranking/table_row.h"
#include "reports/report_sink.h"

struct Calibration;

// Told each offspring's ranking once its table row is written (the marker
// outputs read the calls from it). `ranking` is valid only during the call.
class RankingListener {
 public:
  virtual ~RankingListener() = default;
  virtual void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) = 0;
  // Told the run's calibration (--calibrate) before any ranking.
  virtual void calibrated(const Calibration& /*calibration*/) {}
};

// The ranked table of the most likely parents, one row per offspring in
// offspring order. Each search thread ranks the offspring it searched with
// its own OffspringRanker; the rows and rankings are handed over in offspring
// order and written into a sink (the families of Fam.out come from the
// engine).
class RankedTable : public ParallelListener {
 public:
  // Reads the frequencies, known mothers and names files the options name,
  // so bad ones stop the run before any report is opened: throws RunFailure
  // naming the file and line. `names`, when given, are the names already read
  // from options.names. `tables` must outlive the table. `threads`: how many
  // count the allele frequencies.
  RankedTable(const GenotypeTables& tables, const TableOptions& options, int32_t radius,
              std::shared_ptr<const NameBook> names = nullptr, unsigned threads = 1);

  // Writes the header into `sink`, which then takes every row.
  void start(ReportSink& sink);
  // A ranker for one search thread; made after start().
  std::unique_ptr<OffspringWorker> newWorker() override;
  // Writes the rows of consecutive offspring, after start(), in order.
  void blockDone(BlockPiece& piece) override;
  // Writes what is left. True when the sink took every byte.
  bool close();
  // With --candidates: writes the short list's header into `sink`, which then
  // takes its rows; closeShortList() ends it (true when every byte went).
  void startShortList(ReportSink& sink);
  bool closeShortList();
  // `listener` (null: none) hears every ranking from now on.
  void tellRankings(RankingListener* listener) { rankings_ = listener; }
  // Lines for standard error about the options' files (each a whole
  // "parentsphere: warning: ..." line without its line feed).
  const std::vector<std::string>& warnings() const { return warnings_; }
  // What the rows are scored with: the settings (the scope limit from the
  // data already set), the frequencies and, per offspring row, the known
  // mother's row or -1.
  const RankingSettings& settings() const { return settings_; }
  const AlleleFrequencies& frequencies() const { return frequencies_; }
  const std::vector<int32_t>& knownMothers() const { return knownMothers_; }
  // Calls the rows from now on with `thresholds` (a calibration's).
  void useThresholds(const RoleThresholds& thresholds) { settings_.thresholds = thresholds; }

 private:
  class Worker;
  const GenotypeTables& tables_;
  RankingSettings settings_;
  size_t top_;  // --top
  int32_t motherRows_;  // hermaphrodites: a parent's row as a father is this much higher
  int32_t radius_;
  AlleleFrequencies frequencies_;
  std::shared_ptr<const NameBook> names_;    // before the files that may use names
  std::vector<int32_t> knownMothers_;  // per offspring row: a mother's row or -1
  TableLabels labels_;
  std::unique_ptr<CandidateFilter> filter_;  // groups and exclusions; null: none
  std::vector<std::string> warnings_;
  ReportSink* shortSink_ = nullptr;  // --candidates; null: none
  std::string shortText_;
  ReportSink* sink_ = nullptr;
  RankingListener* rankings_ = nullptr;
  std::string text_;
};
