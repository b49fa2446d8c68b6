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
// A batch of at most kFirstOrdered loci is ordered on 32-bit keys: the count
// of parents sharing an allele (capped here, which only blurs the order among
// loci nearly every parent shares) above five bits of position.
constexpr uint64_t kSmallKeySharing = (uint64_t{1} << 26) - 1;
static_assert(kFirstOrdered <= 32, "positions take five bits");

// How many survivors' rows are fetched ahead of the one measured.
constexpr size_t kRowsAhead = 4;

int64_t nearLimitFor(int32_t radius) {
  // Distances saturate at INT32_MAX, so at that radius nothing is out of reach.
  return radius == INT32_MAX ? INT64_MAX : radius;
}

}  // namespace

ParentPanel::Probe ParentPanel::probe(const int32_t* offspring, Scratch& scratch) const {
  const size_t loci = static_cast<size_t>(loci_);
  if (scratch.probeRoom.size() < loci) scratch.probeRoom.resize(loci);
  ProbeLocus* typedLoci = scratch.probeRoom.data();
  DistanceLanes& lanes = scratch.lanes;
  lanes.start(loci, pairsFitLanes_);
  size_t count = 0;
  // Without branches: a SNP panel's offspring has hundreds of loci.
  for (size_t k = 0; k < loci; ++k) {
    const int32_t s1 = std::min(offspring[2 * k], offspring[2 * k + 1]);
    const int32_t s2 = std::max(offspring[2 * k], offspring[2 * k + 1]);
    const bool typed = offspring[2 * k] != missing_ && offspring[2 * k + 1] != missing_;
    lanes.set(k, typed, s1, s2);
    typedLoci[count] = {static_cast<int32_t>(k), s1, s2};
    count += typed ? 1 : 0;  // a missing allele: the locus adds nothing
  }
  return {typedLoci, count};
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
  const Probe offspringProbe = probe(offspring, scratch);
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
  scratch.ready = 0;
  if (scratch.sets.size() < probe.size()) {
    scratch.sets.resize(probe.size());
    scratch.entries.resize(probe.size());
    scratch.order.resize(probe.size());
  }
  IndexLoci loci{scratch.sets.data(), 0, probe.size(), [&](IndexLoci& more) {
                   orderMoreLoci(probe, scratch);
                   more.ready = scratch.ready;
                   if (scratch.scanned == probe.size()) more.total = more.ready;
                 }};
  const size_t firstWord = static_cast<size_t>(first) / kGroupBits * kGroupWords;
  const size_t lastWord = (static_cast<size_t>(last) + kGroupBits - 1) / kGroupBits * kGroupWords;
  std::vector<uint64_t>& within = scratch.within;
  within.resize(words_);
  scratch.liveWords.resize(words_);
  const size_t live =
      markWithinRadius(radius, loci, firstWord, lastWord, within.data(), scratch.liveWords.data());
  // The kernel marked whole groups: keep only [first, last) of the edge words.
  const size_t firstIn = static_cast<size_t>(first) / 64;
  const size_t lastIn = (static_cast<size_t>(last) - 1) / 64;
  const uint64_t firstMask = ~uint64_t{0} << (static_cast<size_t>(first) % 64);
  const uint64_t lastMask = last % 64 == 0 ? ~uint64_t{0} : (uint64_t{1} << (last % 64)) - 1;
  std::vector<int32_t>& rows = scratch.survivors;
  rows.clear();
  for (size_t at = 0; at < live; ++at) {
    const size_t w = scratch.liveWords[at];
    uint64_t survivors = within[w];
    if (w == firstIn) survivors &= firstMask;
    if (w == lastIn) survivors &= lastMask;
    if (w < firstIn || w > lastIn) survivors = 0;
    for (; survivors != 0; survivors &= survivors - 1) {
      rows.push_back(static_cast<int32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(survivors))));
    }
  }
  // The survivors' rows lie far apart in a large panel (a SNP programme's
  // parents fill tens of megabytes): each is fetched a few rows ahead of its
  // exact distance.
  const size_t rowBytes = 2 * static_cast<size_t>(loci_) * sizeof(int32_t);
  const auto fetch = [&](int32_t row) {
    const char* start = reinterpret_cast<const char*>(
        pairs_.data() + static_cast<size_t>(row) * 2 * static_cast<size_t>(loci_));
    for (size_t offset = 0; offset < rowBytes; offset += 64) __builtin_prefetch(start + offset);
  };
  for (size_t k = 0; k < std::min(rows.size(), kRowsAhead); ++k) fetch(rows[k]);
  for (size_t k = 0; k < rows.size(); ++k) {
    if (k + kRowsAhead < rows.size()) fetch(rows[k + kRowsAhead]);
    SphereHit hit{};
    if (nearEnough(probe, scratch.lanes, rows[k], radius, &hit)) hits.push_back(hit);
  }
}

void ParentPanel::orderMoreLoci(const Probe& probe, Scratch& scratch) const {
  // Loci where few parents share an offspring allele rule the most parents out,
  // so each batch goes rarest first: a group of parents is dropped as soon as
  // all are out. Keys pack (parents sharing an allele, position in the batch)
  // to sort as integers. The scratch's arrays hold every locus: no growing.
  uint64_t* keys = scratch.order.data();
  IndexLocus* batch = scratch.entries.data();
  size_t taken = 0;
  const size_t wanted = std::max(kFirstOrdered, scratch.ready);
  const uint64_t* sets = index_.sets();
  size_t at = scratch.scanned;
  for (; at < probe.size() && taken < wanted; ++at) {
    const ProbeLocus& locus = probe[at];
    const AlleleIndex::IndexedValue& low = index_.indexed(locus.locus, locus.low);
    const AlleleIndex::IndexedValue& high =
        locus.high == locus.low ? low : index_.indexed(locus.locus, locus.high);
    // A locus where every parent is at gap 0 adds nothing to any bound.
    if (index_.coversEveryone(locus.locus, low, high)) continue;
    int64_t sharing = index_.missingCount(locus.locus) + low.count;
    if (&high != &low) sharing += high.count;
    keys[taken] = static_cast<uint64_t>(sharing) << 32 | taken;
    batch[taken] = {{sets + low.exact, sets + high.exact}, {sets + low.around, sets + high.around}};
    ++taken;
  }
  scratch.scanned = at;
  IndexLocus* out = scratch.sets.data() + scratch.ready;
  if (taken <= kFirstOrdered) {
    // A microsatellite panel's batch: each key's place is the count of keys
    // below it (keys are distinct), counted without branches; sorting a few
    // dozen keys would mispredict at almost every step.
    int32_t small[kFirstOrdered];
    for (size_t i = 0; i < taken; ++i) {
      const uint64_t sharing = std::min<uint64_t>(keys[i] >> 32, kSmallKeySharing);
      small[i] = static_cast<int32_t>(sharing << 5 | i);
    }
    for (size_t i = 0; i < taken; ++i) {
      int32_t place = 0;
      for (size_t j = 0; j < taken; ++j) place += small[j] < small[i] ? 1 : 0;
      out[place] = batch[i];
    }
  } else {
    std::sort(keys, keys + taken);
    for (size_t i = 0; i < taken; ++i) out[i] = batch[static_cast<size_t>(keys[i] & 0xffffffffu)];
  }
  scratch.ready += taken;
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
