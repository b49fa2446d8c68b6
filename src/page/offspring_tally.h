#pragma once
#include <cstdint>
#include <vector>

#include "analysis/offspring_listener.h"
#include "page/summary_input.h"

// Listens to the engine and keeps, per offspring, its candidate mothers and
// fathers within the radius and its families: what the summary page's
// histograms show.
class OffspringTally : public OffspringListener {
 public:
  // Parents-table rows below `motherCount` are mothers.
  explicit OffspringTally(int32_t motherCount) : motherCount_(motherCount) {}
  void offspringDone(const OffspringOutcome& outcome) override;
  // One entry per offspring heard, in offspring order.
  const std::vector<OffspringCounts>& counts() const { return counts_; }

 private:
  int32_t motherCount_;
  std::vector<OffspringCounts> counts_;
};
