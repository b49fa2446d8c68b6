#include <algorithm>

#include "spheres/parent_panel.h"

// The allele index: which parents carry each allele value at each locus, as
// bitsets, so the search rules most parents out with a few word operations.

namespace {

// The index costs words_ per bitset, up to four per distinct allele of a locus;
// past this many words (256 MiB) noisy data with thousands of distinct values
// would cost more memory than the search saves, so the scan is used instead.
constexpr size_t kMaxIndexWords = size_t{32} << 20;
static_assert(kMaxIndexWords < UINT32_MAX, "bitset offsets are kept in 32 bits");

// Allele values of one locus spanning less than this get a direct slot table.
constexpr int64_t kMaxSlotTable = 1 << 16;

}  // namespace

void ParentPanel::buildIndex() {
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  // First the values of every locus and how many bitsets they need, so noisy
  // data is turned away before anything large is allocated.
  std::vector<std::vector<int32_t>> present(l);
  std::vector<std::vector<int64_t>> keys(l);
  std::vector<uint8_t> seen;
  size_t totalSets = 0;
  for (size_t k = 0; k < l; ++k) {
    std::vector<int32_t>& values = present[k];
    int64_t lowest = INT64_MAX;
    int64_t highest = INT64_MIN;
    for (size_t j = 0; j < p; ++j) {
      if (pairMissing_[j * l + k]) continue;
      lowest = std::min<int64_t>(lowest, lowAllele(j, k));
      highest = std::max<int64_t>(highest, highAllele(j, k));
    }
    if (lowest <= highest && highest - lowest < kMaxSlotTable) {
      // Allele sizes of one marker span a few hundred units: a table of the
      // values seen lists them in order without sorting every allele.
      seen.assign(static_cast<size_t>(highest - lowest + 1), 0);
      for (size_t j = 0; j < p; ++j) {
        if (pairMissing_[j * l + k]) continue;
        seen[static_cast<size_t>(lowAllele(j, k) - lowest)] = 1;
        seen[static_cast<size_t>(highAllele(j, k) - lowest)] = 1;
      }
      for (size_t at = 0; at < seen.size(); ++at) {
        if (seen[at]) values.push_back(static_cast<int32_t>(lowest + static_cast<int64_t>(at)));
      }
    } else if (lowest <= highest) {
      for (size_t j = 0; j < p; ++j) {
        if (pairMissing_[j * l + k]) continue;
        values.push_back(lowAllele(j, k));
        values.push_back(highAllele(j, k));
      }
      std::sort(values.begin(), values.end());
      values.erase(std::unique(values.begin(), values.end()), values.end());
    }
    // An offspring allele a unit away from a parent's still needs its "gap
    // below 2" set: the keys are the values and their neighbours.
    std::vector<int64_t>& near = keys[k];
    for (int32_t v : values) {
      for (int64_t d : {-1, 0, 1}) {
        if (near.empty() || near.back() < v + d) near.push_back(v + d);
      }
    }
    size_t aroundSets = 0;
    for (int64_t v : near) {
      if (hasValue(values, v - 1) || hasValue(values, v + 1)) ++aroundSets;
    }
    totalSets += 1 + values.size() + aroundSets;
    if (totalSets * words_ > kMaxIndexWords) return;
  }
  sets_.assign(totalSets * words_, 0);
  index_.resize(l);
  lookups_.reserve(l);
  missingCounts_.assign(l, 0);
  size_t nextSet = 0;
  for (size_t k = 0; k < l; ++k) {
    LocusIndex& locus = index_[k];
    const size_t missingSet = (nextSet++) * words_;
    for (size_t j = 0; j < p; ++j) {
      if (!pairMissing_[j * l + k]) continue;
      sets_[missingSet + j / 64] |= uint64_t{1} << (j % 64);
      ++missingCounts_[k];
    }
    locus.absent.exact = locus.absent.around = missingSet;
    locus.keys = std::move(keys[k]);
    locus.values.resize(locus.keys.size());
    for (IndexedValue& entry : locus.values) entry.exact = entry.around = missingSet;
    if (!locus.keys.empty() && locus.keys.back() - locus.keys.front() < kMaxSlotTable) {
      locus.first = locus.keys.front();
      locus.slots.assign(static_cast<size_t>(locus.keys.back() - locus.first + 1), -1);
      for (size_t at = 0; at < locus.keys.size(); ++at) {
        locus.slots[static_cast<size_t>(locus.keys[at] - locus.first)] = static_cast<int32_t>(at);
      }
    }
    lookups_.push_back({locus.first, locus.slots.size(), locus.slots.empty() ? nullptr : locus.slots.data(),
                        locus.values.data(), &locus.absent, nullptr});
    // "Gap 0": the parents missing here, then each carrier.
    std::vector<IndexedValue*> alleles;
    for (int32_t v : present[k]) {
      IndexedValue& entry = mutableIndexed(static_cast<int32_t>(k), v);
      entry.ordinal = alleles.size() < 64 ? static_cast<int32_t>(alleles.size()) : -1;
      entry.exact = static_cast<uint32_t>((nextSet++) * words_);
      std::copy_n(&sets_[missingSet], words_, &sets_[entry.exact]);
      alleles.push_back(&entry);
    }
    for (size_t j = 0; j < p; ++j) {
      if (pairMissing_[j * l + k]) continue;
      const uint64_t bit = uint64_t{1} << (j % 64);
      for (int32_t v : {lowAllele(j, k), highAllele(j, k)}) {
        IndexedValue& entry = mutableIndexed(static_cast<int32_t>(k), v);
        uint64_t& word = sets_[entry.exact + j / 64];
        if ((word & bit) == 0) ++entry.count;
        word |= bit;
      }
    }
    // "Gap below 2": joined with the carriers a unit away.
    for (size_t at = 0; at < locus.values.size(); ++at) {
      IndexedValue& entry = locus.values[at];
      const IndexedValue& below = indexed(static_cast<int32_t>(k), locus.keys[at] - 1);
      const IndexedValue& above = indexed(static_cast<int32_t>(k), locus.keys[at] + 1);
      entry.around = entry.exact;
      if (below.count == 0 && above.count == 0) continue;
      entry.around = static_cast<uint32_t>((nextSet++) * words_);
      for (size_t w = 0; w < words_; ++w) {
        sets_[entry.around + w] =
            sets_[entry.exact + w] | sets_[below.exact + w] | sets_[above.exact + w];
      }
    }
    // Pairs of offspring alleles that every parent is at gap 0 from (both
    // alleles of a SNP, say) rule no parent out: the search skips them.
    for (size_t a = 0; a < alleles.size() && a < 64; ++a) {
      for (size_t b = a; b < alleles.size() && b < 64; ++b) {
        const int64_t reach = int64_t{missingCounts_[k]} + alleles[a]->count +
                              (a == b ? 0 : alleles[b]->count);
        if (reach < parents_ || !coversEveryParent(alleles[a]->exact, alleles[b]->exact)) continue;
        locus.covers.resize(std::min<size_t>(alleles.size(), 64), 0);
        locus.covers[a] |= uint64_t{1} << b;
        locus.covers[b] |= uint64_t{1} << a;
      }
    }
    if (!locus.covers.empty()) lookups_.back().covers = locus.covers.data();
  }
}

bool ParentPanel::hasValue(const std::vector<int32_t>& sorted, int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX &&
         std::binary_search(sorted.begin(), sorted.end(), static_cast<int32_t>(value));
}

bool ParentPanel::coversEveryParent(size_t first, size_t second) const {
  int64_t covered = 0;
  for (size_t w = 0; w < words_; ++w) {
    covered += __builtin_popcountll(sets_[first + w] | sets_[second + w]);
  }
  return covered == parents_;
}

ParentPanel::IndexedValue& ParentPanel::mutableIndexed(int32_t locus, int64_t value) {
  return const_cast<IndexedValue&>(indexed(locus, value));
}

const ParentPanel::IndexedValue& ParentPanel::searchIndexed(const LocusIndex& index,
                                                             int64_t value) {
  // Values spread too far apart for a slot table (an outlier such as 99999).
  const auto it = std::lower_bound(index.keys.begin(), index.keys.end(), value);
  if (it == index.keys.end() || *it != value) return index.absent;
  return index.values[static_cast<size_t>(it - index.keys.begin())];
}
