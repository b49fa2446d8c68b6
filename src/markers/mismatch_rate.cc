#include "markers/mismatch_rate.h"

namespace {

bool typed(const int* row, size_t locus, int missing) {
  return row[2 * locus] != missing && row[2 * locus + 1] != missing;
}

bool shareAllele(const int* a, const int* b, size_t locus) {
  const int a1 = a[2 * locus];
  const int a2 = a[2 * locus + 1];
  const int b1 = b[2 * locus];
  const int b2 = b[2 * locus + 1];
  return a1 == b1 || a1 == b2 || a2 == b1 || a2 == b2;
}

}  // namespace

std::vector<std::optional<double>> mismatchRates(const std::vector<GenotypePair>& pairs,
                                                 size_t loci, int missing) {
  std::vector<std::optional<double>> rates(loci);
  for (size_t l = 0; l < loci; ++l) {
    size_t judged = 0;
    size_t mismatched = 0;
    for (const GenotypePair& pair : pairs) {
      if (!typed(pair.offspring, l, missing) || !typed(pair.mother, l, missing)) continue;
      ++judged;
      if (!shareAllele(pair.offspring, pair.mother, l)) ++mismatched;
    }
    if (judged > 0) rates[l] = static_cast<double>(mismatched) / static_cast<double>(judged);
  }
  return rates;
}
