#include "analysis/candidate_lists.h"

#include <algorithm>

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
  auto before = [&heteroSums](int32_t a, int32_t b) {
    return heteroSums[static_cast<size_t>(a)] < heteroSums[static_cast<size_t>(b)];
  };
  // Short lists, the usual case, sort in place: stable_sort would allocate a
  // buffer for every offspring.
  if (ranked.size() > 32) {
    std::stable_sort(ranked.begin(), ranked.end(), before);
    return;
  }
  for (size_t i = 1; i < ranked.size(); ++i) {
    const int32_t row = ranked[i];
    size_t j = i;
    for (; j > 0 && before(row, ranked[j - 1]); --j) ranked[j] = ranked[j - 1];
    ranked[j] = row;
  }
}
