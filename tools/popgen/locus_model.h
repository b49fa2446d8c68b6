#pragma once
#include <cstdint>
#include <vector>

#include "popgen/random.h"

// The alleles of one microsatellite locus: 10 to 25 sizes one repeat apart
// (2 or 4 base pairs), with skewed frequencies peaking around one size.
struct LocusModel {
  int step = 2;                       // repeat length in base pairs
  std::vector<int> sizes;             // allele sizes, ascending; all above 4*step
  std::vector<uint64_t> cumulative;   // running sums of the allele weights

  // One allele size drawn with the locus frequencies.
  int draw(Rng& rng) const;
};

// A new random locus with repeats of `step` base pairs.
LocusModel makeLocus(Rng& rng, int step);

// A new random SNP: alleles 1 and 2, the minor one at a share of 0.1 to 0.5.
LocusModel makeSnpLocus(Rng& rng);
