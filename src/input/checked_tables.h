#pragma once
#include <cstddef>
#include <cstdint>

#include "input/data.h"

// The two genotype tables once the table checks have accepted them
// (checkTables), with what the checks worked out: the locus count and the
// split of the parents into mothers (the first `mothers` rows) and fathers.
// A run reads, checks and splits its tables once and hands this value to the
// engine, the ranked table, the marker outputs and the warnings, so none of
// them checks or counts again. It holds the tables by reference: they must
// outlive it.
struct CheckedTables {
  const Data& parents;
  const Data& offspring;
  int32_t loci = 0;
  int32_t mothers = 0;  // parent rows below this are mothers, the rest fathers
  int32_t missing = 0;  // the untyped-allele code

  size_t fathers() const { return parents.rows.size() - static_cast<size_t>(mothers); }
};
