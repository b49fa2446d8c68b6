#include <algorithm>

#include "spheres/parent_panel.h"

// The allele index: which parents carry each allele value at each locus, as
// bitsets, so the search rules most parents out with a few word operations.

namespace {

// The index costs words_ * (distinct alleles) per locus; past this many words
// (256 MiB) noisy data with thousands of distinct values would cost more memory
// than the search saves, so the scan is used instead.
constexpr size_t kMaxIndexWords = size_t{32} << 20;

// Allele values of one locus spanning less than this get a direct slot table.
constexpr int64_t kMaxSlotTable = 1 << 16;

}  // namespace

void ParentPanel::buildIndex() {
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  size_t totalWords = 0;
  std::vector<std::vector<int32_t>> distinct(l);
  std::vector<uint8_t> seen;
  for (size_t k = 0; k < l && totalWords <= kMaxIndexWords; ++k) {
    std::vector<int32_t>& values = distinct[k];
    int64_t lowest = INT64_MAX;
    int64_t highest = INT64_MIN;
    for (size_t j = 0; j < p; ++j) {
      if (pairMissing_[j * l + k]) continue;
      lowest = std::min<int64_t>(lowest, lowAllele(j, k));
      highest = std::max<int64_t>(highest, highAllele(j, k));
    }
    if (lowest > highest) continue;  // no parent typed here
    // Allele sizes of one marker span a few hundred units: a table of the
    // values seen lists them in order without sorting every allele.
    if (highest - lowest < kMaxSlotTable) {
      seen.assign(static_cast<size_t>(highest - lowest + 1), 0);
      for (size_t j = 0; j < p; ++j) {
        if (pairMissing_[j * l + k]) continue;
        seen[static_cast<size_t>(lowAllele(j, k) - lowest)] = 1;
        seen[static_cast<size_t>(highAllele(j, k) - lowest)] = 1;
      }
      for (size_t at = 0; at < seen.size(); ++at) {
        if (seen[at]) values.push_back(static_cast<int32_t>(lowest + static_cast<int64_t>(at)));
      }
    } else {
      values.reserve(2 * p);
      for (size_t j = 0; j < p; ++j) {
        if (pairMissing_[j * l + k]) continue;
        values.push_back(lowAllele(j, k));
        values.push_back(highAllele(j, k));
      }
      std::sort(values.begin(), values.end());
      values.erase(std::unique(values.begin(), values.end()), values.end());
    }
    totalWords += values.size() * words_;
  }
  if (totalWords > kMaxIndexWords) return;
  index_.resize(l);
  missingBits_.assign(l * words_, 0);
  missingCounts_.assign(l, 0);
  noCarriers_.assign(words_, 0);
  for (size_t k = 0; k < l; ++k) {
    LocusIndex& locus = index_[k];
    locus.alleles = std::move(distinct[k]);
    locus.carriers.assign(locus.alleles.size() * words_, 0);
    locus.counts.assign(locus.alleles.size(), 0);
    // Allele sizes of one marker span a few hundred units: a direct table
    // finds an allele's slot without searching.
    if (!locus.alleles.empty() &&
        int64_t{locus.alleles.back()} - locus.alleles.front() < kMaxSlotTable) {
      locus.slots.assign(static_cast<size_t>(locus.alleles.back() - locus.alleles.front() + 1), -1);
      for (size_t a = 0; a < locus.alleles.size(); ++a) {
        locus.slots[static_cast<size_t>(locus.alleles[a] - locus.alleles.front())] =
            static_cast<int32_t>(a);
      }
    }
    for (size_t j = 0; j < p; ++j) {
      const uint64_t bit = uint64_t{1} << (j % 64);
      if (pairMissing_[j * l + k]) {
        missingBits_[k * words_ + j / 64] |= bit;
        ++missingCounts_[k];
        continue;
      }
      for (int32_t v : {lowAllele(j, k), highAllele(j, k)}) {
        const auto a = static_cast<size_t>(alleleSlot(static_cast<int32_t>(k), v));
        if ((locus.carriers[a * words_ + j / 64] & bit) == 0) ++locus.counts[a];
        locus.carriers[a * words_ + j / 64] |= bit;
      }
    }
  }
}

int32_t ParentPanel::alleleSlot(int32_t locus, int32_t allele) const {
  const LocusIndex& index = index_[static_cast<size_t>(locus)];
  if (!index.slots.empty()) {
    const int64_t at = int64_t{allele} - index.alleles.front();
    if (at < 0 || at >= static_cast<int64_t>(index.slots.size())) return -1;
    return index.slots[static_cast<size_t>(at)];
  }
  const auto it = std::lower_bound(index.alleles.begin(), index.alleles.end(), allele);
  if (it == index.alleles.end() || *it != allele) return -1;
  return static_cast<int32_t>(it - index.alleles.begin());
}

int32_t ParentPanel::carrierCount(int32_t locus, int32_t allele) const {
  const int32_t slot = alleleSlot(locus, allele);
  return slot < 0 ? 0 : index_[static_cast<size_t>(locus)].counts[static_cast<size_t>(slot)];
}

const uint64_t* ParentPanel::carriersOf(int32_t locus, int32_t allele) const {
  const int32_t slot = alleleSlot(locus, allele);
  if (slot < 0) return noCarriers_.data();
  return index_[static_cast<size_t>(locus)].carriers.data() + static_cast<size_t>(slot) * words_;
}
