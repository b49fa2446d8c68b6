#pragma once
#include <cstdint>
#include <cstdlib>

// Whether an offspring allele `s` fits a parent with alleles (p1, p2) at one
// locus: within `tolerance` of either parent allele, a missing value on either
// side being at distance 0. The rule of checkCompatibility and FitMasks.
// Differences are taken in 64 bits: two 32-bit alleles can be 2^32 apart.
inline bool alleleFits(int64_t s, int64_t p1, int64_t p2, int64_t tolerance, int64_t missing) {
  const int64_t d1 = (s == missing || p1 == missing) ? 0 : std::llabs(s - p1);
  const int64_t d2 = (s == missing || p2 == missing) ? 0 : std::llabs(s - p2);
  return d1 <= tolerance || d2 <= tolerance;
}
