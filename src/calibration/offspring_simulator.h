#pragma once
#include <cstdint>
#include <vector>

#include "ranking/allele_frequencies.h"
#include "ranking/genotype_tables.h"

// What the simulated offspring are drawn from, besides the tables.
struct SimulationSettings {
  uint64_t seed = 1;
  double errorRate = 0.02;      // per allele: half a random allele, half one repeat step
  double sampledMothers = 1.0;  // chance that the true mother is a candidate
  double sampledFathers = 1.0;
};

// One simulated offspring and the truth behind it.
struct SimulatedOffspring {
  std::vector<int> row;  // 2 * loci alleles, missing where untyped
  int32_t mother = -1;   // the true mother's parent row, -1 when unsampled
  int32_t father = -1;   // likewise
  bool knownMother = false;  // the mother is given, as --known-mothers gives one
};

// Draws offspring shaped like the run's own: parents among the candidates (or
// unsampled ones drawn from the allele frequencies), the per-locus missing
// rates of the offspring table, typing errors at the given rate in the
// offspring and in the candidates' genotypes on record. With known
// mothers (`knownMothers` holds a row for some offspring) the true mother is
// one of those, drawn as often as the file names her, and she is given.
class OffspringSimulator {
 public:
  // Keeps references to `tables` and `frequencies`. `knownMothers` holds a
  // mother's row or -1 per offspring row (empty: no known mothers).
  OffspringSimulator(const GenotypeTables& tables, const AlleleFrequencies& frequencies,
                     const std::vector<int32_t>& knownMothers, const SimulationSettings& settings);

  // Simulated offspring number `index`: the same index and seed give the same
  // offspring.
  void simulate(uint64_t index, SimulatedOffspring& out) const;

  bool knownMothers() const { return !knownRows_.empty(); }
  const std::vector<double>& missingRates() const { return missingRates_; }

 private:
  struct Locus {
    std::vector<int32_t> alleles;
    std::vector<double> cumulative;  // normalised, last 1
    int32_t step = 1;                // the repeat unit: gcd of the allele differences
  };
  class Draw;
  const GenotypeTables& tables_;
  SimulationSettings settings_;
  std::vector<Locus> loci_;
  std::vector<double> missingRates_;
  std::vector<int32_t> knownRows_;
};
