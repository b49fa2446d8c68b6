#pragma once
#include <cstddef>
#include <optional>
#include <vector>

// A mother-offspring pair to check locus by locus: two genotype rows, each
// holding at least 2 * loci allele values.
struct GenotypePair {
  const int* offspring;
  const int* mother;
};

// For every locus, the share of `pairs` typed at it in both individuals that
// share no allele there; empty for a locus where no pair is typed.
std::vector<std::optional<double>> mismatchRates(const std::vector<GenotypePair>& pairs,
                                                 size_t loci, int missing);
