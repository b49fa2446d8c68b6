#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "analysis/block_output.h"
#include "analysis/candidate_lists.h"
#include "analysis/family_text.h"
#include "families/fit_masks.h"
#include "input/checked_tables.h"
#include "spheres/parent_panel.h"

// What every thread of an analysis reads: the checked tables, the radius,
// the parents laid out for the sphere search and their ranking keys. Built
// once per radius.
struct SearchTables {
  // The Data `tables` refers to must outlive these.
  SearchTables(const CheckedTables& tables, int32_t radius);

  CheckedTables checked;
  int32_t radius;
  ParentPanel panel;
  std::vector<int32_t> heteroSums;
};

// The analysis the program runs, one offspring at a time: the sphere search
// (ParentPanel), the candidate lists, their ranking and the pairing of every
// ranked mother with every ranked father (FitMasks). Gives the same report
// text as fillSpheres, matings and the record-level writers. One per thread:
// it holds the working memory reused from offspring to offspring.
class OffspringAnalysis {
 public:
  explicit OffspringAnalysis(const SearchTables& tables);

  // Searches offspring row `i`, appending its parent report block, family
  // lines and genotype listing to `out`, and, when `tell`, its outcome for a
  // listener. `worker`, when given, hears the outcome at once and adds to
  // out.piece. Calls flush(out) whenever the text has grown large, so an
  // offspring with millions of families is never held whole.
  void visit(size_t i, BlockOutput& out, bool tell,
             const std::function<void(BlockOutput&)>& flush, OffspringWorker* worker = nullptr);

 private:
  // Pairs the ranked lists of offspring `i`; returns the families written.
  size_t pair(size_t i, BlockOutput& out, const std::function<void(BlockOutput&)>& flush);

  const SearchTables& tables_;
  FamilyText familyText_;
  ParentPanel::Scratch scratch_;
  std::vector<SphereHit> hits_;
  CandidateLists mothers_;
  CandidateLists fathers_;
  FitMasks masks_;
  // The last offspring's pairing (its masks swapped in from masks_) and the
  // scratch of its isFamily().
  OffspringPairing pairing_;
  std::vector<int32_t> positions_;
};
