#include "spheres/parent_panel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "spheres/locus_distance.h"

namespace {

// The index costs words_ * (distinct alleles) per locus; past this many words
// (256 MiB) noisy data with thousands of distinct values would cost more memory
// than the search saves, so the scan is used instead.
constexpr size_t kMaxIndexWords = size_t{32} << 20;

// Alleles within this distance of the parents' smallest one keep every
// difference inside 16 bits, so the scan can run in 16-bit lanes.
constexpr int64_t kNarrowSpan = 1 << 14;
constexpr int32_t kBlock = 64;

inline int16_t gap16(int16_t a, int16_t b) {
  const auto d = static_cast<int16_t>(a - b);
  return std::max(d, static_cast<int16_t>(-d));
}
constexpr int64_t kMaxSlotTable = 1 << 16;

// The index is scanned a group of words at a time, in vectors GCC and clang
// lower to what the target has: two words (one SSE2 register) in the portable
// kernel, four (one AVX2 register) in the kernel chosen at run time where the
// processor has AVX2. Bitsets are padded to whole groups of the wider kind.
constexpr size_t kGroupWords = 4;
constexpr size_t kGroupBits = 64 * kGroupWords;
typedef uint64_t PortableGroup __attribute__((vector_size(16)));
typedef uint64_t WideGroup __attribute__((vector_size(32)));

// Loads through a reference: returning a vector wider than the baseline
// registers would change the calling convention between the clones.
template <typename WordGroup>
inline __attribute__((always_inline)) void orGroup(WordGroup& into, const uint64_t* words) {
  WordGroup group;
  std::memcpy(&group, words, sizeof group);
  into |= group;
}

int64_t nearLimitFor(int32_t radius) {
  // Distances saturate at INT32_MAX, so at that radius nothing is out of reach.
  return radius == INT32_MAX ? INT64_MAX : radius;
}

}  // namespace

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

  // The allele index: which parents carry each allele value at each locus.
  size_t totalWords = 0;
  std::vector<std::vector<int32_t>> distinct(l);
  for (size_t k = 0; k < l && totalWords <= kMaxIndexWords; ++k) {
    std::vector<int32_t>& values = distinct[k];
    values.reserve(2 * p);
    for (size_t j = 0; j < p; ++j) {
      if (pairMissing_[j * l + k]) continue;
      values.push_back(lowAllele(j, k));
      values.push_back(highAllele(j, k));
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
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
        const size_t a = static_cast<size_t>(
            std::lower_bound(locus.alleles.begin(), locus.alleles.end(), v) -
            locus.alleles.begin());
        if ((locus.carriers[a * words_ + j / 64] & bit) == 0) ++locus.counts[a];
        locus.carriers[a * words_ + j / 64] |= bit;
      }
    }
  }
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

bool ParentPanel::usesIndexFor(int32_t radius) const {
  return !index_.empty() && radius <= kMaxIndexedRadius && radius < loci_;
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

const ParentPanel::Probe& ParentPanel::probe(const int32_t* offspring) const {
  Probe& probe = scratchProbe_;
  probe.loci.clear();
  for (int32_t k = 0; k < loci_; ++k) {
    int32_t s1 = offspring[2 * k];
    int32_t s2 = offspring[2 * k + 1];
    if (s1 == missing_ || s2 == missing_) continue;  // the locus adds nothing
    if (s1 > s2) std::swap(s1, s2);
    probe.loci.push_back({k, s1, s2});
  }
  return probe;
}

bool ParentPanel::nearEnough(const Probe& probe, int32_t row, int64_t limit,
                             SphereHit* hit) const {
  const size_t l = static_cast<size_t>(loci_);
  const int32_t* pairs = &pairs_[static_cast<size_t>(row) * 2 * l];
  const uint8_t* skip = &pairMissing_[static_cast<size_t>(row) * l];
  int64_t nearSum = 0;
  int64_t farSum = 0;
  for (const ProbeLocus& locus : probe.loci) {
    const size_t k = static_cast<size_t>(locus.locus);
    if (skip[k]) continue;
    int64_t nearTerm = 0;
    int64_t farTerm = 0;
    locusTerms(locus.low, locus.high, pairs[2 * k], pairs[2 * k + 1], &nearTerm, &farTerm);
    nearSum += nearTerm;
    // The near sum only grows: once past the radius the parent is out.
    if (nearSum > limit) return false;
    farSum += farTerm;
  }
  *hit = {row, saturateToInt32(nearSum), saturateToInt32(farSum)};
  return true;
}

SphereHit ParentPanel::distance(const int32_t* offspring, int32_t row) const {
  SphereHit hit{};
  nearEnough(probe(offspring), row, INT64_MAX, &hit);
  return hit;
}

void ParentPanel::findCandidates(const int32_t* offspring, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits) const {
  // Every candidate has near <= radius, and near is never negative.
  if (radius < 0 || first >= last) return;
  const Probe& offspringProbe = probe(offspring);
  if (!usesIndexFor(radius)) {
    scanCandidates(offspringProbe, radius, first, last, hits);
    return;
  }
  indexCandidates(offspringProbe, radius, first, last, hits);
}

namespace {

// At a locus a parent adds to the near distance the gap between its nearest
// allele and the nearer offspring allele. The index gives, per word of 64
// parents, the sets whose gap is at least 1 (no offspring allele, not missing)
// and at least 2 (nor one a unit away). Summing those capped gaps in
// bit-sliced "sum >= t" counters bounds the near distance from below, so a
// parent whose bound passes R is out. Marks in `out` the parents still in.
template <int R, typename WordGroup>
inline __attribute__((always_inline)) void markWithinBound(const IndexLocus* sets,
                                                           size_t active, size_t firstWord,
                                                           size_t lastWord, uint64_t* out) {
  constexpr int kLevels = R == 0 ? 1 : 2;
  constexpr size_t kWords = sizeof(WordGroup) / sizeof(uint64_t);
  for (size_t w = firstWord; w < lastWord; w += kWords) {
    WordGroup atLeast[R + 2] = {};  // atLeast[t]: bound on the near distance >= t
    atLeast[0] = ~atLeast[0];
    for (size_t a = 0; a < active; ++a) {
      const IndexLocus& entry = sets[a];
      WordGroup near = {};
      for (int i = 0; i < entry.nearCount; ++i) orGroup(near, entry.near[i] + w);
      WordGroup gapAtLeast[3];
      gapAtLeast[1] = ~near;
      if (kLevels > 1) {
        for (int i = 0; i < entry.offCount; ++i) orGroup(near, entry.off[i] + w);
        gapAtLeast[2] = ~near;
      }
      for (int t = R + 1; t > 0; --t) {
        WordGroup reached = atLeast[t];
        for (int gap = 1; gap <= kLevels && gap <= t; ++gap) {
          reached |= atLeast[t - gap] & gapAtLeast[gap];
        }
        atLeast[t] = reached;
      }
      // Once every parent of the group is out, the other loci cannot matter.
      uint64_t all = atLeast[R + 1][0];
      for (size_t i = 1; i < kWords; ++i) all &= atLeast[R + 1][i];
      if (all == ~uint64_t{0}) break;
    }
    const WordGroup in = ~atLeast[R + 1];
    std::memcpy(out + w, &in, sizeof in);
  }
}

#define PARENTSPHERE_MARK_WITHIN_RADIUS(Group)                                         \
  switch (radius) {                                                                    \
    case 0: return markWithinBound<0, Group>(sets, active, firstWord, lastWord, out);  \
    case 1: return markWithinBound<1, Group>(sets, active, firstWord, lastWord, out);  \
    case 2: return markWithinBound<2, Group>(sets, active, firstWord, lastWord, out);  \
    case 3: return markWithinBound<3, Group>(sets, active, firstWord, lastWord, out);  \
    case 4: return markWithinBound<4, Group>(sets, active, firstWord, lastWord, out);  \
    case 5: return markWithinBound<5, Group>(sets, active, firstWord, lastWord, out);  \
    case 6: return markWithinBound<6, Group>(sets, active, firstWord, lastWord, out);  \
    default:                                                                           \
      return markWithinBound<kMaxIndexedRadius, Group>(sets, active, firstWord, lastWord, out); \
  }

void markWithinRadiusPortable(int32_t radius, const IndexLocus* sets, size_t active,
                              size_t firstWord, size_t lastWord, uint64_t* out) {
  PARENTSPHERE_MARK_WITHIN_RADIUS(PortableGroup)
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
__attribute__((target("avx2"))) void markWithinRadiusAvx2(int32_t radius, const IndexLocus* sets,
                                                          size_t active, size_t firstWord,
                                                          size_t lastWord, uint64_t* out) {
  PARENTSPHERE_MARK_WITHIN_RADIUS(WideGroup)
}

bool avx2Available() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}
#endif

bool portableOnly = false;

void markWithinRadius(int32_t radius, const IndexLocus* sets, size_t active, size_t firstWord,
                      size_t lastWord, uint64_t* out) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  if (!portableOnly && avx2Available()) {
    return markWithinRadiusAvx2(radius, sets, active, firstWord, lastWord, out);
  }
#endif
  markWithinRadiusPortable(radius, sets, active, firstWord, lastWord, out);
}

}  // namespace

void useOnlyPortableKernels(bool portable) { portableOnly = portable; }

void ParentPanel::indexCandidates(const Probe& probe, int32_t radius, int32_t first,
                                  int32_t last, std::vector<SphereHit>& hits) const {
  // Loci where few parents share an offspring allele rule the most parents out,
  // so they go first: a group of parents is dropped as soon as all are out.
  // Keys pack (parents sharing an allele, locus position) to sort as integers.
  std::vector<uint64_t>& order = scratchOrder_;
  order.clear();
  for (size_t a = 0; a < probe.loci.size(); ++a) {
    const ProbeLocus& locus = probe.loci[a];
    int64_t sharing = missingCounts_[static_cast<size_t>(locus.locus)];
    sharing += carrierCount(locus.locus, locus.low);
    if (locus.high != locus.low) sharing += carrierCount(locus.locus, locus.high);
    order.push_back(static_cast<uint64_t>(sharing) << 32 | a);
  }
  std::sort(order.begin(), order.end());
  std::vector<IndexLocus>& sets = scratchSets_;
  sets.clear();
  for (const uint64_t key : order) {
    const ProbeLocus& locus = probe.loci[static_cast<size_t>(key & 0xffffffffu)];
    IndexLocus entry;
    entry.near[entry.nearCount++] = missingBits_.data() + static_cast<size_t>(locus.locus) * words_;
    auto addCarriers = [&](int64_t v, const uint64_t** list, int& count) {
      if (v < INT32_MIN || v > INT32_MAX) return;
      const uint64_t* set = carriersOf(locus.locus, static_cast<int32_t>(v));
      if (set != noCarriers_.data()) list[count++] = set;
    };
    const bool homozygous = locus.low == locus.high;
    addCarriers(locus.low, entry.near, entry.nearCount);
    if (!homozygous) addCarriers(locus.high, entry.near, entry.nearCount);
    for (int64_t centre : {int64_t{locus.low}, int64_t{locus.high}}) {
      addCarriers(centre - 1, entry.off, entry.offCount);
      addCarriers(centre + 1, entry.off, entry.offCount);
      if (homozygous) break;
    }
    sets.push_back(entry);
  }
  const size_t firstWord = static_cast<size_t>(first) / kGroupBits * kGroupWords;
  const size_t lastWord = (static_cast<size_t>(last) + kGroupBits - 1) / kGroupBits * kGroupWords;
  std::vector<uint64_t>& within = scratchWithin_;
  within.resize(words_);
  markWithinRadius(radius, sets.data(), sets.size(), firstWord, lastWord, within.data());
  for (size_t w = static_cast<size_t>(first) / 64; w * 64 < static_cast<size_t>(last); ++w) {
    uint64_t survivors = within[w];
    const size_t base = w * 64;
    if (base < static_cast<size_t>(first)) survivors &= ~uint64_t{0} << (first - base);
    if (base + 64 > static_cast<size_t>(last)) {
      const size_t keep = static_cast<size_t>(last) - base;
      survivors &= keep == 64 ? ~uint64_t{0} : (uint64_t{1} << keep) - 1;
    }
    while (survivors != 0) {
      const int bit = __builtin_ctzll(survivors);
      survivors &= survivors - 1;
      SphereHit hit{};
      if (nearEnough(probe, static_cast<int32_t>(base + static_cast<size_t>(bit)), radius,
                     &hit)) {
        hits.push_back(hit);
      }
    }
  }
}

void ParentPanel::scanCandidates(const Probe& probe, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits) const {
  const int64_t limit = nearLimitFor(radius);
  SphereHit hit{};
  if (!fitsNarrowScan(probe, radius)) {
    for (int32_t row = first; row < last; ++row) {
      if (nearEnough(probe, row, limit, &hit)) hits.push_back(hit);
    }
    return;
  }
  // Sixteen-bit lanes, a block of parents at a time, each locus term capped at
  // radius + 1: the capped sum is within the radius exactly when the true near
  // distance is, and it cannot overflow. A block is dropped once every parent
  // in it is out; the parents left get their exact distance.
  const int16_t cap = static_cast<int16_t>(radius + 1);
  const size_t stride = narrowStride_;
  // Blocks are aligned to the padded layout; lanes outside [first, last) start out.
  for (int32_t start = first - first % kBlock; start < last; start += kBlock) {
    const int32_t begin = std::max(first - start, 0);
    const int32_t count = std::min(kBlock, last - start);
    int16_t nearSum[kBlock];
    for (int32_t j = 0; j < kBlock; ++j) nearSum[j] = j >= begin && j < count ? 0 : cap;
    bool anyIn = true;
    for (size_t a = 0; a < probe.loci.size() && anyIn; ++a) {
      const ProbeLocus& locus = probe.loci[a];
      const auto s1 = static_cast<int16_t>(locus.low - narrowBase_);
      const auto s2 = static_cast<int16_t>(locus.high - narrowBase_);
      const size_t at = static_cast<size_t>(locus.locus) * stride + static_cast<size_t>(start);
      const int16_t* low = &narrowLow_[at];
      const int16_t* high = &narrowHigh_[at];
      const int16_t* keep = &narrowKeep_[at];
      int16_t closest = INT16_MAX;
      for (int32_t j = 0; j < kBlock; ++j) {
        const auto d1 = std::min(gap16(s1, low[j]), gap16(s1, high[j]));
        const auto d2 = std::min(gap16(s2, low[j]), gap16(s2, high[j]));
        const auto term = static_cast<int16_t>(std::min(std::min(d1, d2), cap) & keep[j]);
        nearSum[j] = static_cast<int16_t>(nearSum[j] + term);
        closest = std::min(closest, nearSum[j]);
      }
      anyIn = closest <= radius;
    }
    if (!anyIn) continue;
    for (int32_t j = begin; j < count; ++j) {
      if (nearSum[j] <= radius && nearEnough(probe, start + j, limit, &hit)) hits.push_back(hit);
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
