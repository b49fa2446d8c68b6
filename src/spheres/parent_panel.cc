#include "spheres/parent_panel.h"

#include <algorithm>

#include "spheres/index_kernels.h"

// The panel's layouts: alleles by parent in full precision, and the 16-bit
// copy by locus that the block scan reads (NarrowPanel).

ParentPanel::ParentPanel(const Data& parents, int missing)
    : parents_(static_cast<int32_t>(parents.rows.size())),
      loci_(parents.nLoci),
      missing_(missing),
      words_((parents.rows.size() + kGroupBits - 1) / kGroupBits * kGroupWords) {
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  // Padding: the distance kernel reads a parent's loci in blocks of eight.
  pairs_.resize(p * 2 * l + 16);
  pairMissing_.resize(p * l);
  for (size_t j = 0; j < p; ++j) {
    const std::vector<int>& row = parents.rows[j];
    for (size_t k = 0; k < l; ++k) {
      const int32_t a = row[2 * k];
      const int32_t b = row[2 * k + 1];
      pairs_[(j * l + k) * 2] = std::min(a, b);
      pairs_[(j * l + k) * 2 + 1] = std::max(a, b);
      pairMissing_[j * l + k] = (a == missing || b == missing) ? 1 : 0;
    }
  }
  pairsFitLanes_ = fitsLanes(pairs_.data(), pairs_.size());
  index_ = AlleleIndex({pairs_.data(), pairMissing_.data(), p, l}, words_);
}

ParentPanel::~ParentPanel() = default;

const NarrowPanel& ParentPanel::narrowPanel() const {
  std::call_once(narrowOnce_, [this] {
    narrow_ = NarrowPanel(pairs_.data(), pairMissing_.data(), static_cast<size_t>(parents_),
                          static_cast<size_t>(loci_));
  });
  return narrow_;
}

bool ParentPanel::usesIndexFor(int32_t radius) const {
  return !index_.empty() && radius <= kMaxIndexedRadius && radius < loci_;
}
