#include "spheres/parent_panel.h"

#include <algorithm>

#include "spheres/index_kernels.h"

// The panel's layouts: alleles by parent in full precision, and the 16-bit
// copy by locus that the block scan reads.

ParentPanel::ParentPanel(const Data& parents, int missing)
    : parents_(static_cast<int32_t>(parents.rows.size())),
      loci_(parents.nLoci),
      missing_(missing),
      words_((parents.rows.size() + kGroupBits - 1) / kGroupBits * kGroupWords) {
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  pairs_.resize(p * 2 * l);
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
  buildIndex();
}

void ParentPanel::buildNarrowLayout() const {
  narrowBuilt_ = true;
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  int64_t lowest = INT64_MAX;
  int64_t highest = INT64_MIN;
  for (size_t at = 0; at < p * l; ++at) {
    if (pairMissing_[at]) continue;
    lowest = std::min<int64_t>(lowest, pairs_[2 * at]);
    highest = std::max<int64_t>(highest, pairs_[2 * at + 1]);
  }
  // Allele sizes of real markers span a few hundred units; anything wider
  // (the invalid-value marker, say) is scanned in full precision instead.
  if (lowest == INT64_MAX) lowest = highest = 0;
  if (highest - lowest >= kNarrowSpan) return;
  narrowBase_ = static_cast<int32_t>(lowest);
  narrowStride_ = (p + kBlock - 1) / kBlock * kBlock;
  narrowLow_.assign(l * narrowStride_, 0);
  narrowHigh_.assign(l * narrowStride_, 0);
  narrowKeep_.assign(l * narrowStride_, 0);
  for (size_t k = 0; k < l; ++k) {
    for (size_t j = 0; j < p; ++j) {
      if (pairMissing_[j * l + k]) continue;
      narrowLow_[k * narrowStride_ + j] = static_cast<int16_t>(lowAllele(j, k) - lowest);
      narrowHigh_[k * narrowStride_ + j] = static_cast<int16_t>(highAllele(j, k) - lowest);
      narrowKeep_[k * narrowStride_ + j] = -1;
    }
  }
}

bool ParentPanel::fitsNarrowScan(const Probe& probe, int32_t radius) const {
  // Built on first use: searches that only use the index never need it.
  if (!narrowBuilt_) buildNarrowLayout();
  if (narrowLow_.empty() || radius >= INT16_MAX) return false;
  if ((int64_t{radius} + 1) * static_cast<int64_t>(probe.loci.size()) > INT16_MAX) return false;
  for (const ProbeLocus& locus : probe.loci) {
    for (int32_t v : {locus.low, locus.high}) {
      const int64_t shifted = int64_t{v} - narrowBase_;
      if (shifted < -kNarrowSpan || shifted >= kNarrowSpan) return false;
    }
  }
  return true;
}

bool ParentPanel::usesIndexFor(int32_t radius) const {
  return !index_.empty() && radius <= kMaxIndexedRadius && radius < loci_;
}
