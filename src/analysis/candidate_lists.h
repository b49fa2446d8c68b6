#pragma once
#include <cstdint>
#include <vector>

#include "reports/report_text.h"
#include "spheres/parent_panel.h"
#include "spheres/sphere_membership.h"

// One offspring's candidates of one sex: the Included and SemiIncluded lists
// the parent report prints, in table order, and the rows ranked for pairing.
struct CandidateLists {
  std::vector<ReportedCandidate> included;
  std::vector<ReportedCandidate> semiIncluded;
  std::vector<int32_t> includedRows;
  std::vector<int32_t> semiRows;
  std::vector<int32_t> ranked;  // rows, best first; empty until rank()

  // Empties every list, keeping the memory for the next offspring.
  void clear();

  // Files `hit` (identifier `number`) as Included or SemiIncluded for
  // `radius`; a hit inside neither sphere is dropped. Inline: called per hit.
  void place(const SphereHit& hit, int32_t number, int32_t radius) {
    const SpherePlace place = placeInSpheres(hit.near, hit.far, radius, radius);
    if (place.list == SphereList::Included) {
      included.push_back({number, place.totalMatch});
      includedRows.push_back(hit.row);
    } else if (place.list == SphereList::SemiIncluded) {
      semiIncluded.push_back({number, place.totalMatch});
      semiRows.push_back(hit.row);
    }
  }

  bool empty() const { return included.empty() && semiIncluded.empty(); }

  // Included then SemiIncluded, stably sorted by ascending heteroSums[row]
  // (most homozygous first), as Son::selectBestD3 ranks.
  void rank(const std::vector<int32_t>& heteroSums);
};
