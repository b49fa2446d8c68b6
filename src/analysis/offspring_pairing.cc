#include "analysis/offspring_pairing.h"

bool OffspringPairing::isFamily(int32_t motherRow, int32_t fatherRow,
                                std::vector<int32_t>& positions) const {
  if (motherRow < 0 || motherRow >= motherCount_) return false;
  if (fatherRow < motherCount_ || fatherRow >= parents_) return false;
  // Both lists are ranked (and masked) exactly when the offspring was paired.
  if (mothers.empty() || fathers.empty()) return false;
  if (!filled_) {
    positions.resize(static_cast<size_t>(parents_), -1);
    for (const std::vector<int32_t>* list : {&mothers, &fathers}) {
      for (size_t at = 0; at < list->size(); ++at) {
        positions[static_cast<size_t>((*list)[at])] = static_cast<int32_t>(at);
      }
    }
    filled_ = true;
  }
  const int32_t m = positions[static_cast<size_t>(motherRow)];
  const int32_t f = positions[static_cast<size_t>(fatherRow)];
  if (m < 0 || f < 0) return false;
  return masks.compatible(static_cast<size_t>(m), mothers.size() + static_cast<size_t>(f));
}

void OffspringPairing::forget(std::vector<int32_t>& positions) const {
  if (!filled_) return;
  for (const std::vector<int32_t>* list : {&mothers, &fathers}) {
    for (int32_t row : *list) positions[static_cast<size_t>(row)] = -1;
  }
  filled_ = false;
}
