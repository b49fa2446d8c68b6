#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#include "ranking/scaled_product.h"

// Likelihood ratios summed and multiplied as logarithms, as OffspringRanker
// does everywhere: the posteriors' sums and the fast LODs.

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

// ln(e^x + e^y), exact at -inf.
inline double logAdd(double x, double y) {
  if (x < y) std::swap(x, y);
  if (y == kMinusInfinity) return x;
  return x + std::log1p(std::exp(y - x));
}

// ln of the sum of e^lod over `scored`, whose largest LOD is `largest`: one
// exponential per candidate and a single logarithm.
template <typename Lod, typename Items>
inline double logSumOf(const Items& items, double largest, Lod lod) {
  double sum = 0.0;
  for (const auto& item : items) sum += std::exp(lod(item) - largest);
  return largest + std::log(sum);
}

// The posterior of a candidate of weight ln(prior) + lod among candidates
// whose weights sum to e^logTotal.
inline double posteriorOf(double logWeight, double logTotal) {
  return std::min(1.0, std::exp(logWeight - logTotal));
}

inline const double kLn2 = std::log(2.0);

// How far a fast LOD may lie from the exact one, with a wide margin: the two
// differ by the rounding of some hundred products, about 1e-13.
constexpr double kFastLodSlack = 1e-7;

// ln(product * 2^exponent).
inline double logOfScaled(double product, int64_t exponent) {
  return std::log(product) + kLn2 * static_cast<double>(exponent);
}

// ln of ratio(0) * ... * ratio(count - 1), each taken once in that order:
// four products side by side, each rescaled after eight ratios, and one
// logarithm. Within about 1e-13 of the LodSum of the same ratios.
template <typename Ratio>
inline double fastLogOfProduct(size_t count, Ratio ratio) {
  double p0 = 1.0, p1 = 1.0, p2 = 1.0, p3 = 1.0;
  int64_t exponent = 0;
  size_t k = 0;
  while (k + 4 <= count) {
    const size_t end = std::min(count & ~size_t{3}, k + 32);
    for (; k < end; k += 4) {
      p0 *= ratio(k);
      p1 *= ratio(k + 1);
      p2 *= ratio(k + 2);
      p3 *= ratio(k + 3);
    }
    exponent += rescale(p0) + rescale(p1) + rescale(p2) + rescale(p3);
  }
  for (; k < count; ++k) p0 *= ratio(k);
  exponent += rescale(p0);
  return logOfScaled(p0 * p1 * p2 * p3, exponent);
}
