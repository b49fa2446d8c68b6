#include "spheres/allele_index.h"

#include <algorithm>
#include <climits>

namespace {

// The index costs `words` per bitset, up to four per distinct allele of a
// locus; past this many words (256 MiB) noisy data with thousands of distinct
// values would cost more memory than the search saves, so the scan is used
// instead.
constexpr size_t kMaxIndexWords = size_t{32} << 20;
static_assert(kMaxIndexWords < UINT32_MAX, "bitset offsets are kept in 32 bits");

// Allele values of one locus spanning less than this get a direct slot table.
constexpr int64_t kMaxSlotTable = 1 << 16;

// The values the parents carry at locus k, ascending and distinct. `seen` is
// working room reused from locus to locus.
std::vector<int32_t> carriedValues(const AlleleIndex::Panel& panel, size_t k,
                                   std::vector<uint8_t>& seen) {
  std::vector<int32_t> values;
  int64_t lowest = INT64_MAX;
  int64_t highest = INT64_MIN;
  for (size_t j = 0; j < panel.parents; ++j) {
    if (panel.isMissing(j, k)) continue;
    lowest = std::min<int64_t>(lowest, panel.low(j, k));
    highest = std::max<int64_t>(highest, panel.high(j, k));
  }
  if (lowest > highest) return values;
  if (highest - lowest < kMaxSlotTable) {
    // Allele sizes of one marker span a few hundred units: a table of the
    // values seen lists them in order without sorting every allele.
    seen.assign(static_cast<size_t>(highest - lowest + 1), 0);
    for (size_t j = 0; j < panel.parents; ++j) {
      if (panel.isMissing(j, k)) continue;
      seen[static_cast<size_t>(panel.low(j, k) - lowest)] = 1;
      seen[static_cast<size_t>(panel.high(j, k) - lowest)] = 1;
    }
    for (size_t at = 0; at < seen.size(); ++at) {
      if (seen[at]) values.push_back(static_cast<int32_t>(lowest + static_cast<int64_t>(at)));
    }
    return values;
  }
  for (size_t j = 0; j < panel.parents; ++j) {
    if (panel.isMissing(j, k)) continue;
    values.push_back(panel.low(j, k));
    values.push_back(panel.high(j, k));
  }
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  return values;
}

// An offspring allele a unit away from a parent's still needs its "gap below
// 2" set: the keys are the values and their neighbours, ascending.
std::vector<int64_t> keysAround(const std::vector<int32_t>& values) {
  std::vector<int64_t> keys;
  for (int32_t v : values) {
    for (int64_t d : {-1, 0, 1}) {
      if (keys.empty() || keys.back() < v + d) keys.push_back(v + d);
    }
  }
  return keys;
}

bool hasValue(const std::vector<int32_t>& sorted, int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX &&
         std::binary_search(sorted.begin(), sorted.end(), static_cast<int32_t>(value));
}

// The bitsets a locus needs: its missing parents, one per value, and one per
// key with a carried value a unit away.
size_t setsNeeded(const std::vector<int32_t>& values, const std::vector<int64_t>& keys) {
  size_t aroundSets = 0;
  for (int64_t v : keys) {
    if (hasValue(values, v - 1) || hasValue(values, v + 1)) ++aroundSets;
  }
  return 1 + values.size() + aroundSets;
}

}  // namespace

AlleleIndex::AlleleIndex(const Panel& panel, size_t words) : words_(words) {
  const size_t l = panel.loci;
  // First the values of every locus and how many bitsets they need, so noisy
  // data is turned away before anything large is allocated.
  std::vector<std::vector<int32_t>> present(l);
  std::vector<std::vector<int64_t>> keys(l);
  std::vector<uint8_t> seen;
  size_t totalSets = 0;
  for (size_t k = 0; k < l; ++k) {
    present[k] = carriedValues(panel, k, seen);
    keys[k] = keysAround(present[k]);
    totalSets += setsNeeded(present[k], keys[k]);
    if (totalSets * words_ > kMaxIndexWords) return;
  }
  sets_.assign(totalSets * words_, 0);
  index_.resize(l);
  lookups_.reserve(l);
  missingCounts_.assign(l, 0);
  size_t nextSet = 0;
  for (size_t k = 0; k < l; ++k) {
    layOutLocus(panel, k, std::move(keys[k]), nextSet);
    const std::vector<IndexedValue*> alleles = markCarriers(panel, k, present[k], nextSet);
    joinNeighbours(k, nextSet);
    findCovers(k, alleles, static_cast<int32_t>(panel.parents));
  }
}

void AlleleIndex::layOutLocus(const Panel& panel, size_t k, std::vector<int64_t> keys,
                              size_t& nextSet) {
  LocusIndex& locus = index_[k];
  // "Gap 0" starts from the parents missing here: every entry's sets hold them.
  const size_t missingSet = (nextSet++) * words_;
  for (size_t j = 0; j < panel.parents; ++j) {
    if (!panel.isMissing(j, k)) continue;
    sets_[missingSet + j / 64] |= uint64_t{1} << (j % 64);
    ++missingCounts_[k];
  }
  locus.absent.exact = locus.absent.around = static_cast<uint32_t>(missingSet);
  locus.keys = std::move(keys);
  locus.values.resize(locus.keys.size());
  for (IndexedValue& entry : locus.values) entry.exact = entry.around = locus.absent.exact;
  if (!locus.keys.empty() && locus.keys.back() - locus.keys.front() < kMaxSlotTable) {
    locus.first = locus.keys.front();
    locus.slots.assign(static_cast<size_t>(locus.keys.back() - locus.first + 1), -1);
    for (size_t at = 0; at < locus.keys.size(); ++at) {
      locus.slots[static_cast<size_t>(locus.keys[at] - locus.first)] = static_cast<int32_t>(at);
    }
  }
  lookups_.push_back({locus.first, locus.slots.size(),
                      locus.slots.empty() ? nullptr : locus.slots.data(), locus.values.data(),
                      &locus.absent, nullptr});
}

std::vector<AlleleIndex::IndexedValue*> AlleleIndex::markCarriers(
    const Panel& panel, size_t k, const std::vector<int32_t>& values, size_t& nextSet) {
  const size_t missingSet = index_[k].absent.exact;
  std::vector<IndexedValue*> alleles;
  for (int32_t v : values) {
    IndexedValue& entry = mutableIndexed(static_cast<int32_t>(k), v);
    entry.ordinal = alleles.size() < 64 ? static_cast<int32_t>(alleles.size()) : -1;
    entry.exact = static_cast<uint32_t>((nextSet++) * words_);
    std::copy_n(&sets_[missingSet], words_, &sets_[entry.exact]);
    alleles.push_back(&entry);
  }
  for (size_t j = 0; j < panel.parents; ++j) {
    if (panel.isMissing(j, k)) continue;
    const uint64_t bit = uint64_t{1} << (j % 64);
    for (int32_t v : {panel.low(j, k), panel.high(j, k)}) {
      IndexedValue& entry = mutableIndexed(static_cast<int32_t>(k), v);
      uint64_t& word = sets_[entry.exact + j / 64];
      if ((word & bit) == 0) ++entry.count;
      word |= bit;
    }
  }
  return alleles;
}

void AlleleIndex::joinNeighbours(size_t k, size_t& nextSet) {
  // "Gap below 2": gap 0 joined with the carriers a unit away.
  LocusIndex& locus = index_[k];
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
}

void AlleleIndex::findCovers(size_t k, const std::vector<IndexedValue*>& alleles,
                             int32_t parents) {
  // Pairs of offspring alleles that every parent is at gap 0 from (both
  // alleles of a SNP, say) rule no parent out: the search skips them.
  LocusIndex& locus = index_[k];
  for (size_t a = 0; a < alleles.size() && a < 64; ++a) {
    for (size_t b = a; b < alleles.size() && b < 64; ++b) {
      const int64_t reach = int64_t{missingCounts_[k]} + alleles[a]->count +
                            (a == b ? 0 : alleles[b]->count);
      if (reach < parents || !coversEveryParent(alleles[a]->exact, alleles[b]->exact, parents)) {
        continue;
      }
      locus.covers.resize(std::min<size_t>(alleles.size(), 64), 0);
      locus.covers[a] |= uint64_t{1} << b;
      locus.covers[b] |= uint64_t{1} << a;
    }
  }
  if (!locus.covers.empty()) lookups_[k].covers = locus.covers.data();
}

bool AlleleIndex::coversEveryParent(size_t first, size_t second, int32_t parents) const {
  int64_t covered = 0;
  for (size_t w = 0; w < words_; ++w) {
    covered += __builtin_popcountll(sets_[first + w] | sets_[second + w]);
  }
  return covered == parents;
}

AlleleIndex::IndexedValue& AlleleIndex::mutableIndexed(int32_t locus, int64_t value) {
  return const_cast<IndexedValue&>(indexed(locus, value));
}

const AlleleIndex::IndexedValue& AlleleIndex::searchIndexed(const LocusIndex& index,
                                                            int64_t value) {
  // Values spread too far apart for a slot table (an outlier such as 99999).
  const auto it = std::lower_bound(index.keys.begin(), index.keys.end(), value);
  if (it == index.keys.end() || *it != value) return index.absent;
  return index.values[static_cast<size_t>(it - index.keys.begin())];
}
