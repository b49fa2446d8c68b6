#include <algorithm>

#include "input/saturate.h"
#include "spheres/index_kernels.h"
#include "spheres/locus_distance.h"
#include "spheres/parent_panel.h"

// The search of one offspring's candidates: the allele index with its kernel
// for small radii, the 16-bit block scan or the full-precision scan otherwise;
// every parent let through gets its exact distance.
// Performance-critical: measure changes with scripts/bench.sh and bench/.

namespace {

inline int16_t gap16(int16_t a, int16_t b) {
  const auto d = static_cast<int16_t>(a - b);
  return std::max(d, static_cast<int16_t>(-d));
}

int64_t nearLimitFor(int32_t radius) {
  // Distances saturate at INT32_MAX, so at that radius nothing is out of reach.
  return radius == INT32_MAX ? INT64_MAX : radius;
}

}  // namespace

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

void ParentPanel::indexCandidates(const Probe& probe, int32_t radius, int32_t first,
                                  int32_t last, std::vector<SphereHit>& hits) const {
  const std::vector<IndexLocus>& sets = indexSets(probe);
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
