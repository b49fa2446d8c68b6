#include "page/offspring_tally.h"

void OffspringTally::offspringDone(const OffspringOutcome& outcome) {
  OffspringCounts counts;
  for (const SphereHit& hit : outcome.hits) {
    if (hit.row < motherCount_) {
      ++counts.mothers;
    } else {
      ++counts.fathers;
    }
  }
  counts.families = outcome.families;
  if (counts_.size() <= outcome.offspring) counts_.resize(outcome.offspring + 1);
  counts_[outcome.offspring] = counts;
}
