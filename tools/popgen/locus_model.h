#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "popgen/random.h"

// The alleles of one locus and how a scoring error changes one of them.
struct LocusModel {
  // kLadder: microsatellite sizes one repeat apart; an error moves an allele
  // one repeat up or down. kSnp: alleles 1 and 2; an error gives the other.
  // kListed: the alleles of a frequencies file; an error gives a neighbour
  // in the sorted list, so the misread allele is always one the locus has.
  enum Kind { kLadder, kSnp, kListed };
  Kind kind = kLadder;
  int step = 2;                       // repeat length in base pairs (kLadder)
  std::vector<int> sizes;             // allele sizes, ascending, all positive
  std::vector<uint64_t> cumulative;   // running sums of the allele weights

  // One allele size drawn with the locus frequencies.
  int draw(Rng& rng) const;

  // The allele read instead of `allele` by a scoring error.
  int misread(Rng& rng, int allele) const;
};

// A new random locus with repeats of `step` base pairs: 10 to 25 sizes one
// repeat apart (2 or 4 base pairs), with skewed frequencies peaking around one size.
LocusModel makeLocus(Rng& rng, int step);

// A new random SNP: alleles 1 and 2, the minor one at a share of 0.1 to 0.5.
LocusModel makeSnpLocus(Rng& rng);

// A locus with the given (allele, frequency) pairs; alleles distinct and
// positive, frequencies positive. The weights are the frequencies in
// billionths, so a file's frequencies need not add up to exactly 1.
LocusModel makeListedLocus(std::vector<std::pair<int, double>> alleles);
