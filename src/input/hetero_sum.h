#pragma once
#include <cstdint>

// The sum over `nLoci` loci of |allele1 - allele2|, missing codes included,
// summed exactly and saturated at INT32_MAX: the heteroSum candidates are
// ranked by, smallest (most homozygous) first.
int32_t heteroSumOf(const int* alleles, int nLoci);
