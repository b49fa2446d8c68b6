#pragma once
#include <cstdint>

// One locus of a diploid genotype: the two allele values as read from the row,
// in input order (allele1 may be the larger). Espacio::D1 also reuses a Par as
// its (near, far) result. The marks are never set (the tests check they stay
// false); they complete the record layout the reference stages keep.
struct Par {
  int32_t allele1 = 0;
  int32_t allele2 = 0;
  bool mark1 = false;
  bool mark2 = false;
  bool mark3 = false;
};

// Saturates an exact 64-bit sum or difference into the 32-bit fields the records
// use, so huge allele values can never wrap round into small, "close" numbers.
inline int32_t saturateToInt32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}
