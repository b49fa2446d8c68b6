#pragma once
#include <cstdint>
#include <cstdlib>

// Whether an offspring allele `s` fits a parent with alleles (p1, p2) at one
// locus: within `tolerance` of either parent allele, a missing value on either
// side being at distance 0. The rule of checkCompatibility (FitMasks agrees).
// Differences are taken in 64 bits: two 32-bit alleles can be 2^32 apart.
inline bool alleleFits(int32_t s, int32_t p1, int32_t p2, int64_t tolerance, int32_t missing) {
  if (tolerance < 0) return false;
  if (s == missing || p1 == missing || p2 == missing) return true;  // a distance of 0
  return std::llabs(int64_t{s} - p1) <= tolerance || std::llabs(int64_t{s} - p2) <= tolerance;
}
