#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>

// The (near, far) terms of one locus, without the missing-value test: offspring
// alleles (s1, s2), candidate alleles (p1, p2), in any order. Per offspring
// allele the gap to the candidate's nearest allele; the smaller gap is the near
// term, the larger the far term. Shared by Espacio::D1 and the ParentPanel search.
inline void locusTerms(int64_t s1, int64_t s2, int64_t p1, int64_t p2, int64_t* nearTerm,
                       int64_t* farTerm) {
  if (s1 > s2) std::swap(s1, s2);
  if (p1 > p2) std::swap(p1, p2);
  const int64_t d1 = std::min(std::llabs(s1 - p1), std::llabs(s1 - p2));
  const int64_t d2 = std::min(std::llabs(s2 - p1), std::llabs(s2 - p2));
  *nearTerm = std::min(d1, d2);
  *farTerm = std::max(d1, d2);
}
