#pragma once
#include <cstdint>

#include "input/saturate.h"

// The program reads alleles straight from the table rows; this is the
// record-level form kept as the reference for the identity tests.

// One locus of a diploid genotype: the two allele values as read from the row,
// in input order (allele1 may be the larger). Espacio::D1 also reuses a Par as
// its (near, far) result. The marks are never set (the tests check they stay
// false); they complete the record layout the reference stages keep.
struct Par {
  int32_t allele1 = 0;
  int32_t allele2 = 0;
  bool mark1 = false;
  bool mark2 = false;
  bool mark3 = false;
};
