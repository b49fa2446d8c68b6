#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "ranking/genotype_tables.h"

// Allele frequencies by locus, the yardstick of every likelihood ratio. An
// allele absent from the table, or rarer than kFrequencyFloor, counts as
// kFrequencyFloor, so a rare or mistyped allele never divides by zero nor
// gives one locus an unbounded weight.
constexpr double kFrequencyFloor = 0.001;

class AlleleFrequencies {
 public:
  // Per locus, (allele, frequency) entries in any order, each allele once.
  explicit AlleleFrequencies(std::vector<std::vector<std::pair<int32_t, double>>> byLocus);

  // Counted from every typed locus of every individual, parents and offspring,
  // each individual once: an allele's copies over twice the individuals typed
  // at that locus. The loci are shared among up to `threads` threads; the
  // result is the same for any number.
  static AlleleFrequencies count(const GenotypeTables& tables, unsigned threads = 1);

  // The floored frequency of `allele` at `locus` (0-based, below loci()).
  double of(int32_t locus, int32_t allele) const {
    const std::vector<double>& dense = dense_[static_cast<size_t>(locus)];
    if (dense.empty()) return search(locus, allele);
    const int64_t offset = int64_t{allele} - alleles_[static_cast<size_t>(locus)].front();
    if (offset < 0 || offset >= static_cast<int64_t>(dense.size())) return kFrequencyFloor;
    return dense[static_cast<size_t>(offset)];
  }
  int32_t loci() const { return static_cast<int32_t>(alleles_.size()); }
  // The alleles listed at `locus`, ascending, and their floored frequencies
  // in the same order (what a simulation draws genotypes from).
  const std::vector<int32_t>& allelesAt(int32_t locus) const {
    return alleles_[static_cast<size_t>(locus)];
  }
  const std::vector<double>& frequenciesAt(int32_t locus) const {
    return frequencies_[static_cast<size_t>(locus)];
  }

 private:
  double search(int32_t locus, int32_t allele) const;
  // Loci whose alleles span fewer values than this are also kept as an array
  // over the span, so a lookup is one index.
  static constexpr int64_t kDenseSpan = 4096;
  std::vector<std::vector<int32_t>> alleles_;  // sorted, per locus
  std::vector<std::vector<double>> frequencies_;
  std::vector<std::vector<double>> dense_;  // allele - alleles_.front(), floor where absent
};
