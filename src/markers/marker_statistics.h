#pragma once
#include <optional>
#include <vector>

#include "markers/allele_counts.h"

// One row of the marker table. A figure that the data cannot give (fewer than
// two alleles, no typed individual, a single typed individual for he) is
// empty, never the result of a division by zero.
struct MarkerRow {
  double alleles = 0;  // k; in the combined row the mean over loci
  double typed = 0;    // N; in the combined row the mean over loci
  std::optional<double> ho;
  std::optional<double> he;
  std::optional<double> pic;
  std::optional<double> excl1p;  // first parent, neither parent known
  std::optional<double> excl2p;  // second parent, the other known
  std::optional<double> exclpp;  // parent pair
  std::optional<double> fNull;
  std::optional<double> mismatchRate;  // set by the caller from the ranked table
};

// The allele-frequency figures of one locus from its counts (p_i = copies of
// allele i over all copies; a_n = sum of p_i^n).
MarkerRow locusStatistics(const LocusCounts& counts);

// The `all` row: exclusion probabilities combined over the loci that have
// one, 1 - product of (1 - excl); every other figure the mean over the loci
// that have it (empty when none has).
MarkerRow combinedStatistics(const std::vector<MarkerRow>& loci);
