#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/checked_tables.h"

// The genotype tables the ranking reads, as the input stage holds them: rows of
// integers, two allele columns per locus; a parent row then holds its
// identifier. Precondition: the tables passed validateTables, so every
// offspring row holds 2*loci values and every parent row 2*loci + 1.
struct GenotypeTables {
  const std::vector<std::vector<int>>& parents;
  const std::vector<std::vector<int>>& offspring;
  int32_t loci = 0;
  int32_t mothers = 0;  // parent rows below this are mothers, the rest fathers
  int32_t missing = 0;  // the untyped-allele code

  int32_t identifier(size_t parentRow) const {
    return parents[parentRow][2 * static_cast<size_t>(loci)];
  }
  bool isMother(size_t parentRow) const { return parentRow < static_cast<size_t>(mothers); }
};

// The ranking's view of a run's checked tables: the same rows, not copied.
inline GenotypeTables genotypeTables(const CheckedTables& tables) {
  return {tables.parents.rows, tables.offspring.rows, tables.loci, tables.mothers, tables.missing};
}

// A locus is typed when neither of its two alleles is the missing code; a
// locus with one allele untyped takes no part in the likelihoods.
inline bool locusTyped(const int* row, int32_t locus, int32_t missing) {
  return row[2 * locus] != missing && row[2 * locus + 1] != missing;
}
