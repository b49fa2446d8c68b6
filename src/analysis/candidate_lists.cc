#include "analysis/candidate_lists.h"

#include "families/hetero_order.h"

void CandidateLists::clear() {
  included.clear();
  semiIncluded.clear();
  includedRows.clear();
  semiRows.clear();
  ranked.clear();
}

void CandidateLists::rank(const std::vector<int32_t>& heteroSums) {
  ranked.assign(includedRows.begin(), includedRows.end());
  ranked.insert(ranked.end(), semiRows.begin(), semiRows.end());
  rankStably(ranked, [&heteroSums](int32_t a, int32_t b) {
    return heteroSums[static_cast<size_t>(a)] < heteroSums[static_cast<size_t>(b)];
  });
}
