#pragma once
#include <cstdint>

// Saturates an exact 64-bit sum or difference into 32 bits, so huge allele
// values can never wrap round into small, "close" numbers.
inline int32_t saturateToInt32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}
