#pragma once
#include "markers/marker_outputs.h"
#include "ranking/ranked_table.h"

// Keeps what the summary page and the mismatch rates need of the ranked
// table: each offspring's mother and pair deltas and calls (as the table
// writes them) and its mother when called strict.
class RankedCalls : public RankingListener {
 public:
  void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) override;
  bool heard() const { return heard_; }
  const RankedResults& results() const { return results_; }

 private:
  RankedResults results_;
  bool heard_ = false;
};
