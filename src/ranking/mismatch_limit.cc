#include "ranking/mismatch_limit.h"

#include <cmath>

std::vector<int32_t> mismatchLimits(int32_t loci, double errorRate, double lostShare) {
  std::vector<int32_t> limits(static_cast<size_t>(loci < 0 ? 0 : loci) + 1, 0);
  const double logE = std::log(errorRate);
  const double logKept = std::log1p(-errorRate);
  for (int32_t n = 1; n <= loci; ++n) {
    // Probabilities in logarithms: (1 - e)^n underflows on long panels.
    const double logAll = std::lgamma(n + 1.0);
    double below = 0.0;  // P(X <= k)
    int32_t k = 0;
    for (; k < n; ++k) {
      below += std::exp(logAll - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) + k * logE +
                        (n - k) * logKept);
      if (1.0 - below <= lostShare) break;
    }
    limits[static_cast<size_t>(n)] = k;
  }
  return limits;
}
