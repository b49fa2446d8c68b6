#include "ranking/mismatch_limit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

double trueParentMismatchRate(const AlleleFrequencies& frequencies,
                              const std::vector<double>& errorRates) {
  const int32_t loci = frequencies.loci();
  if (loci == 0) return 0.0;
  double sum = 0.0;
  for (int32_t k = 0; k < loci; ++k) {
    // The floored frequencies, brought back to a sum of 1.
    const std::vector<double>& f = frequencies.frequenciesAt(k);
    double total = 0.0;
    for (double x : f) total += x;
    if (total <= 0.0) continue;
    // Over genotypes g: P(g), times the chance that the allele g passed,
    // misread as another, is one g does not carry, times the chance that the
    // offspring's other allele is not one of g's either.
    double unshared = 0.0;
    for (size_t i = 0; i < f.size(); ++i) {
      const double fi = f[i] / total;
      if (fi >= 1.0) continue;
      unshared += fi * fi * (1.0 - fi);
      for (size_t j = i + 1; j < f.size(); ++j) {
        const double fj = f[j] / total;
        if (fj >= 1.0) continue;
        const double rest = std::max(0.0, 1.0 - fi - fj);
        unshared += 2.0 * fi * fj * 0.5 * (rest / (1.0 - fi) + rest / (1.0 - fj)) * rest;
      }
    }
    sum += errorRates[static_cast<size_t>(k)] * unshared;
  }
  return sum / loci;
}

std::string lostPercent(int32_t loci, double rate, int32_t limit) {
  const double logAll = std::lgamma(loci + 1.0);
  double below = 0.0;
  for (int32_t k = 0; k <= limit && k <= loci; ++k) {
    below += std::exp(logAll - std::lgamma(k + 1.0) - std::lgamma(loci - k + 1.0) +
                      k * std::log(rate) + (loci - k) * std::log1p(-rate));
  }
  const double percent = std::max(100.0 * (1.0 - below), 0.01);
  char text[32];
  std::snprintf(text, sizeof text, "%.2g", percent);
  return text;
}
