#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/offspring_listener.h"
#include "ranking/allele_frequencies.h"
#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"
#include "ranking/offspring_ranking.h"
#include "ranking/table_options.h"
#include "ranking/table_row.h"
#include "reports/report_file.h"

// Told each offspring's ranking once its table row is written (the marker
// outputs read the calls from it). `ranking` is valid only during the call.
class RankingListener {
 public:
  virtual ~RankingListener() = default;
  virtual void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) = 0;
};

// The ranked table of the most likely parents, one row per offspring in
// offspring order, written into a sink as the engine hands over each
// offspring (the families of Fam.out come from it).
class RankedTable : public OffspringListener {
 public:
  // Reads the frequencies, known mothers and names files the options name,
  // so bad ones stop the run before any report is opened: throws RunFailure
  // naming the file and line. `names`, when given, are the names already read
  // from options.names. `tables` must outlive the table.
  RankedTable(const GenotypeTables& tables, const TableOptions& options, int32_t radius,
              std::shared_ptr<const NameBook> names = nullptr);

  // Writes the header into `sink`, which then takes every row.
  void start(ReportSink& sink);
  // Ranks the offspring and writes its row. Offspring come in order, each
  // once, after start().
  void offspringDone(const OffspringOutcome& outcome) override;
  // Writes what is left. True when the sink took every byte.
  bool close();
  // `listener` (null: none) hears every ranking from now on.
  void tellRankings(RankingListener* listener) { rankings_ = listener; }

 private:
  RankingSettings settings_;
  int32_t radius_;
  AlleleFrequencies frequencies_;
  std::vector<int32_t> knownMothers_;  // per offspring row: a mother's row or -1
  std::shared_ptr<const NameBook> names_;
  TableLabels labels_;
  OffspringRanker ranker_;
  OffspringRanking ranking_;
  ReportSink* sink_ = nullptr;
  RankingListener* rankings_ = nullptr;
  std::string text_;
};
