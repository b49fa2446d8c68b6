#pragma once
#include <cstdint>
#include <cstring>

// A product of a hundred or more likelihood ratios, kept within a double's
// range as product * 2^exponent: the fast LODs multiply ratios and take one
// logarithm at the end.
struct ScaledProduct {
  double product;
  int64_t exponent;
};

// Brings a positive normal `value` to [1, 2) and returns the power of two
// taken out.
inline int64_t rescale(double& value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int64_t exponent = static_cast<int64_t>((bits >> 52) & 0x7ff) - 1023;
  bits = (bits & ~(uint64_t{0x7ff} << 52)) | (uint64_t{1023} << 52);
  std::memcpy(&value, &bits, sizeof value);
  return exponent;
}
