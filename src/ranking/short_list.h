#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/offspring_ranking.h"
#include "ranking/table_row.h"

// The short list (--candidates): a tidy table with one row per offspring and
// scored candidate, the best `top` mothers and then the best `top` fathers
// by their own LOD (ties to the earlier parents-table row), ranked from 1.
// Its header line, tab-separated, with a line feed.
extern const char* const kShortListHeader;

// Formats the short list's rows; one per search thread (it keeps a buffer).
class ShortList {
 public:
  // `top`, at least 1: candidates kept per role; `radius`: a candidate with
  // near distance at most this is in the sphere.
  ShortList(size_t top, int32_t radius) : top_(top), radius_(radius) {}

  // Appends to `out` the rows of offspring `row` from the candidates
  // `ranker` has just scored for it.
  void add(std::string& out, size_t row, const OffspringRanker& ranker, const TableLabels& labels);

 private:
  void addRole(std::string& out, size_t row, const char* role,
               const std::vector<OffspringRanker::Scored>& scored, const OffspringRanker& ranker,
               const TableLabels& labels);

  size_t top_;
  int32_t radius_;
  std::vector<OffspringRanker::Scored> best_;  // reused between offspring
};
