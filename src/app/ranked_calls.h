#pragma once
#include "page/marker_outputs.h"
#include "ranking/ranked_table.h"

// Keeps what the summary page and the mismatch rates need of the ranked
// table: each offspring's calls as the table writes them, its mother and
// pair deltas, its surest mother, and the run's calibration when there is one.
class RankedCalls : public RankingListener {
 public:
  void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) override;
  void calibrated(const Calibration& calibration) override;
  bool heard() const { return heard_; }
  const RankedResults& results() const { return results_; }

 private:
  RankedResults results_;
  bool heard_ = false;
};
