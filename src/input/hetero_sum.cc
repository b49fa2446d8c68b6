#include "input/hetero_sum.h"

#include <cstdlib>

#include "input/saturate.h"

int32_t heteroSumOf(const int* alleles, int nLoci) {
  // Exact, so huge allele values saturate instead of wrapping round.
  int64_t sum = 0;
  for (int k = 0; k < nLoci; ++k) sum += std::llabs(int64_t{alleles[2 * k]} - alleles[2 * k + 1]);
  return saturateToInt32(sum);
}
