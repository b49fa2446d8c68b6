#include "ranking/likelihood_ratio.h"

#include <algorithm>

#include "ranking/genotype_tables.h"

void offspringLoci(const int* row, int32_t missing, const AlleleFrequencies& frequencies,
                   std::vector<OffspringLocus>& loci) {
  loci.clear();
  for (int32_t k = 0; k < frequencies.loci(); ++k) {
    if (!locusTyped(row, k, missing)) continue;
    const int32_t a = std::min(row[2 * k], row[2 * k + 1]);
    const int32_t b = std::max(row[2 * k], row[2 * k + 1]);
    loci.push_back({k, a, b, frequencies.of(k, a), frequencies.of(k, b)});
  }
}

Transmission transmission(const OffspringLocus& o, int32_t p1, int32_t p2, int32_t missing,
                          double errorRate) {
  return stateTransmission(o, parentState(o, p1, p2, missing), errorRate);
}

Transmission stateTransmission(const OffspringLocus& o, int state, double errorRate) {
  if (state == kUntypedState) return {o.fa, o.fb, true, true};
  const int copiesA = state / 3;
  const int copiesB = state % 3;
  const double kept = (1.0 - errorRate) / 2.0;
  return {kept * copiesA + errorRate * o.fa, kept * copiesB + errorRate * o.fb, copiesA > 0,
          copiesB > 0};
}
