#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/names_file.h"
#include "ranking/offspring_ranking.h"

// The table's header line: its 34 tab-separated column names and a line feed.
extern const char* const kTableHeader;

// LODs and deltas are written with this many decimals, rounded half away
// from zero, so the table reads the same on every machine.
constexpr int kLodDecimals = 3;

// Appends `value` with kLodDecimals decimals; "-0.000" is written "0.000".
void appendFixed(std::string& out, double value);

// Posteriors are written with this many decimals, rounded half away from zero.
constexpr int kPosteriorDecimals = 4;

// Appends `value`, from 0 to 1, with kPosteriorDecimals decimals.
void appendPosterior(std::string& out, double value);

// How individuals are shown: numbers and identifiers, or their names.
class TableLabels {
 public:
  // `names` may be null; otherwise it must outlive the labels.
  TableLabels(const GenotypeTables& tables, const NameBook* names);
  void appendOffspring(std::string& out, size_t row) const;
  void appendParent(std::string& out, int32_t row) const;

 private:
  const NameBook* names_;
  // The parents' identifiers side by side: each parent row is a block of
  // its own, a cache miss per label otherwise.
  std::vector<int32_t> identifiers_;
};

// What the sphere search found for the offspring, beside the ranking.
struct SearchFacts {
  int32_t radius = 0;      // a candidate with near distance <= radius is in the sphere
  bool pairInFam = false;  // the ranked pair is a family in Fam.out
  size_t families = 0;     // the offspring's families in Fam.out
};

// Appends the table row of offspring `row`: 34 cells, tab-separated, ending
// with a line feed; the cells of a missing candidate (or runner-up) are
// empty. The calls are the ranking's own.
void appendTableRow(std::string& out, size_t row, const OffspringRanking& ranking,
                    const SearchFacts& facts, const TableLabels& labels);
