#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// What one locus shows over the individuals typed there. An individual counts
// as typed at a locus when both of its alleles are present (neither is the
// missing code); a half-typed locus is left out, as it tells neither the
// genotype nor whether it is heterozygous.
struct LocusCounts {
  std::map<int32_t, uint64_t> alleles;  // allele size -> copies seen, sorted by size
  uint64_t typed = 0;                   // individuals typed at the locus
  uint64_t heterozygous = 0;            // of those, with two different alleles
};

// Adds every row of a genotype table once to `loci` (one LocusCounts per
// locus, in column order). Only the first 2 * loci.size() values of a row are
// read; a row shorter than that is a caller error and throws
// std::invalid_argument rather than reading past its end.
void countAlleles(const std::vector<std::vector<int>>& rows, int missing,
                  std::vector<LocusCounts>& loci);
