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

// Loci ordered before the index search starts (all of a microsatellite
// panel's); more are taken, in growing batches each ordered in itself, only
// for the groups of parents that the first ones leave standing.
constexpr size_t kFirstOrdered = 32;

int64_t nearLimitFor(int32_t radius) {
  // Distances saturate at INT32_MAX, so at that radius nothing is out of reach.
  return radius == INT32_MAX ? INT64_MAX : radius;
}

}  // namespace

const ParentPanel::Probe& ParentPanel::probe(const int32_t* offspring, Scratch& scratch) const {
  Probe& probe = scratch.probe;
  probe.clear();
  DistanceLanes& lanes = scratch.lanes;
  lanes.start(static_cast<size_t>(loci_), pairsFitLanes_);
  for (int32_t k = 0; k < loci_; ++k) {
    const int32_t s1 = std::min(offspring[2 * k], offspring[2 * k + 1]);
    const int32_t s2 = std::max(offspring[2 * k], offspring[2 * k + 1]);
    const bool typed = offspring[2 * k] != missing_ && offspring[2 * k + 1] != missing_;
    lanes.set(static_cast<size_t>(k), typed, s1, s2);
    if (typed) probe.push_back({k, s1, s2});  // a missing allele: the locus adds nothing
  }
  return probe;
}

bool ParentPanel::nearEnough(const Probe& probe, const DistanceLanes& lanes, int32_t row,
                             int64_t limit, SphereHit* hit) const {
  const size_t l = static_cast<size_t>(loci_);
  if (lanes.usable) {
    int64_t nearSum = 0;
    int64_t farSum = 0;
    if (!laneDistance(lanes, &pairs_[static_cast<size_t>(row) * 2 * l], missing_, limit,
                      &nearSum, &farSum)) {
      return false;
    }
    *hit = {row, saturateToInt32(nearSum), saturateToInt32(farSum)};
    return true;
  }
  const int32_t* pairs = &pairs_[static_cast<size_t>(row) * 2 * l];
  const uint8_t* skip = &pairMissing_[static_cast<size_t>(row) * l];
  int64_t nearSum = 0;
  int64_t farSum = 0;
  for (const ProbeLocus& locus : probe) {
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
  if (!ownScratch_) ownScratch_ = std::make_unique<Scratch>();
  findCandidates(offspring, radius, first, last, hits, *ownScratch_);
}

void ParentPanel::findCandidates(const int32_t* offspring, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits,
                                 Scratch& scratch) const {
  // Every candidate has near <= radius, and near is never negative.
  if (radius < 0 || first >= last) return;
  const Probe& offspringProbe = probe(offspring, scratch);
  if (!usesIndexFor(radius)) {
    scanCandidates(offspringProbe, radius, first, last, hits, scratch);
    return;
  }
  indexCandidates(offspringProbe, radius, first, last, hits, scratch);
}

void ParentPanel::indexCandidates(const Probe& probe, int32_t radius, int32_t first,
                                  int32_t last, std::vector<SphereHit>& hits,
                                  Scratch& scratch) const {
  scratch.scanned = 0;
  scratch.sets.clear();
  scratch.sets.reserve(probe.size());
  IndexLoci loci{scratch.sets.data(), 0, probe.size(), [&](IndexLoci& more) {
                   orderMoreLoci(probe, scratch);
                   more.ready = scratch.sets.size();
                   if (scratch.scanned == probe.size()) more.total = more.ready;
                 }};
  const size_t firstWord = static_cast<size_t>(first) / kGroupBits * kGroupWords;
  const size_t lastWord = (static_cast<size_t>(last) + kGroupBits - 1) / kGroupBits * kGroupWords;
  std::vector<uint64_t>& within = scratch.within;
  within.resize(words_);
  markWithinRadius(radius, loci, firstWord, lastWord, within.data());
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
      if (nearEnough(probe, scratch.lanes, static_cast<int32_t>(base + static_cast<size_t>(bit)),
                     radius, &hit)) {
        hits.push_back(hit);
      }
    }
  }
}

void ParentPanel::orderMoreLoci(const Probe& probe, Scratch& scratch) const {
  // Loci where few parents share an offspring allele rule the most parents out,
  // so each batch goes rarest first: a group of parents is dropped as soon as
  // all are out. Keys pack (parents sharing an allele, position in the batch)
  // to sort as integers.
  std::vector<uint64_t>& order = scratch.order;
  std::vector<IndexLocus>& batch = scratch.entries;
  order.clear();
  batch.clear();
  const size_t wanted = std::max(kFirstOrdered, scratch.sets.size());
  const uint64_t* sets = sets_.data();
  for (; scratch.scanned < probe.size() && batch.size() < wanted; ++scratch.scanned) {
    const ProbeLocus& locus = probe[scratch.scanned];
    const IndexedValue& low = indexed(locus.locus, locus.low);
    const IndexedValue& high = locus.high == locus.low ? low : indexed(locus.locus, locus.high);
    // A locus where every parent is at gap 0 adds nothing to any bound.
    if (low.ordinal >= 0 && high.ordinal >= 0 && (low.coversWith >> high.ordinal & 1) != 0) {
      continue;
    }
    int64_t sharing = missingCounts_[static_cast<size_t>(locus.locus)] + low.count;
    if (&high != &low) sharing += high.count;
    order.push_back(static_cast<uint64_t>(sharing) << 32 | batch.size());
    batch.push_back({{sets + low.exact, sets + high.exact}, {sets + low.around, sets + high.around}});
  }
  std::sort(order.begin(), order.end());
  for (uint64_t key : order) scratch.sets.push_back(batch[static_cast<size_t>(key & 0xffffffffu)]);
}

void ParentPanel::scanCandidates(const Probe& probe, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits,
                                 Scratch& scratch) const {
  const int64_t limit = nearLimitFor(radius);
  SphereHit hit{};
  // The 16-bit scan takes the loci that fit 16 bits, and as many as keep the
  // sum of terms capped at radius + 1 (one more for the lanes that start out)
  // below 2^15; a locus left out only lets more parents through to the exact
  // distance.
  std::vector<NarrowPanel::Locus>& narrowLoci = scratch.narrowLoci;
  narrowLoci.clear();
  if (radius < INT16_MAX) {
    const NarrowPanel& narrow = narrowPanel();
    for (const ProbeLocus& locus : probe) {
      narrow.addLocus(locus.locus, locus.low, locus.high, narrowLoci);
    }
    const size_t most = static_cast<size_t>(INT16_MAX / (radius + 1)) - 1;
    if (narrowLoci.size() > most) narrowLoci.resize(most);
  }
  if (narrowLoci.empty()) {
    for (int32_t row = first; row < last; ++row) {
      if (nearEnough(probe, scratch.lanes, row, limit, &hit)) hits.push_back(hit);
    }
    return;
  }
  std::vector<uint64_t>& masks = scratch.masks;
  narrowPanel().mark(narrowLoci, radius, first, last, masks);
  const int32_t firstStart = first - first % NarrowPanel::kBlock;
  for (size_t b = 0; b < masks.size(); ++b) {
    uint64_t in = masks[b];
    const int32_t start = firstStart + static_cast<int32_t>(b) * NarrowPanel::kBlock;
    while (in != 0) {
      const int bit = __builtin_ctzll(in);
      in &= in - 1;
      if (nearEnough(probe, scratch.lanes, start + bit, limit, &hit)) hits.push_back(hit);
    }
  }
}
