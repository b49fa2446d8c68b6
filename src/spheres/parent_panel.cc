#include "spheres/parent_panel.h"

#include <algorithm>
#include <cstdlib>

#include "spheres/espacio.h"

namespace {

// The index costs words_ * (distinct alleles) per locus; past this many words
// (256 MiB) noisy data with thousands of distinct values would cost more memory
// than the search saves, so the scan is used instead.
constexpr size_t kMaxIndexWords = size_t{32} << 20;

// Alleles this small keep every difference and per-parent sum inside 32 bits
// for up to kMaxNarrowLoci loci, so the block scan can run in 32-bit lanes.
constexpr int32_t kNarrowLimit = 1 << 20;
constexpr int32_t kMaxNarrowLoci = 512;
constexpr int32_t kBlock = 64;

bool isNarrow(int32_t v) { return v > -kNarrowLimit && v < kNarrowLimit; }

int64_t nearLimitFor(int32_t radius) {
  // Distances saturate at INT32_MAX, so at that radius nothing is out of reach.
  return radius == INT32_MAX ? INT64_MAX : radius;
}

}  // namespace

ParentPanel::ParentPanel(const Data& parents, int missing)
    : parents_(static_cast<int32_t>(parents.rows.size())),
      loci_(parents.nLoci),
      missing_(missing),
      words_((parents.rows.size() + 63) / 64) {
  const size_t p = static_cast<size_t>(parents_);
  const size_t l = static_cast<size_t>(loci_);
  low_.resize(p * l);
  high_.resize(p * l);
  locusMissing_.resize(p * l);
  bool narrow = true;
  for (size_t j = 0; j < p; ++j) {
    const std::vector<int>& row = parents.rows[j];
    for (size_t k = 0; k < l; ++k) {
      const int32_t a = row[2 * k];
      const int32_t b = row[2 * k + 1];
      low_[k * p + j] = std::min(a, b);
      high_[k * p + j] = std::max(a, b);
      locusMissing_[k * p + j] = (a == missing || b == missing) ? 1 : 0;
      narrow = narrow && isNarrow(a) && isNarrow(b);
    }
  }
  narrow_ = narrow && loci_ <= kMaxNarrowLoci;

  // The allele index: which parents carry each allele value at each locus.
  size_t totalWords = 0;
  std::vector<std::vector<int32_t>> distinct(l);
  for (size_t k = 0; k < l && totalWords <= kMaxIndexWords; ++k) {
    std::vector<int32_t>& values = distinct[k];
    values.reserve(2 * p);
    for (size_t j = 0; j < p; ++j) {
      if (locusMissing_[k * p + j]) continue;
      values.push_back(low_[k * p + j]);
      values.push_back(high_[k * p + j]);
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    totalWords += values.size() * words_;
  }
  if (totalWords > kMaxIndexWords) return;
  index_.resize(l);
  missingBits_.assign(l * words_, 0);
  noCarriers_.assign(words_, 0);
  for (size_t k = 0; k < l; ++k) {
    LocusIndex& locus = index_[k];
    locus.alleles = std::move(distinct[k]);
    locus.carriers.assign(locus.alleles.size() * words_, 0);
    for (size_t j = 0; j < p; ++j) {
      const uint64_t bit = uint64_t{1} << (j % 64);
      if (locusMissing_[k * p + j]) {
        missingBits_[k * words_ + j / 64] |= bit;
        continue;
      }
      for (int32_t v : {low_[k * p + j], high_[k * p + j]}) {
        const size_t a = static_cast<size_t>(
            std::lower_bound(locus.alleles.begin(), locus.alleles.end(), v) -
            locus.alleles.begin());
        locus.carriers[a * words_ + j / 64] |= bit;
      }
    }
  }
}

bool ParentPanel::usesIndexFor(int32_t radius) const {
  return !index_.empty() && radius <= kMaxIndexedRadius && radius < loci_;
}

const uint64_t* ParentPanel::carriersOf(int32_t locus, int32_t allele) const {
  const LocusIndex& index = index_[static_cast<size_t>(locus)];
  const auto it = std::lower_bound(index.alleles.begin(), index.alleles.end(), allele);
  if (it == index.alleles.end() || *it != allele) return noCarriers_.data();
  return index.carriers.data() + static_cast<size_t>(it - index.alleles.begin()) * words_;
}

SphereHit ParentPanel::distance(const int32_t* offspring, int32_t row) const {
  const size_t p = static_cast<size_t>(parents_);
  int64_t nearSum = 0;
  int64_t farSum = 0;
  for (size_t k = 0; k < static_cast<size_t>(loci_); ++k) {
    const int32_t s1 = offspring[2 * k];
    const int32_t s2 = offspring[2 * k + 1];
    const size_t at = k * p + static_cast<size_t>(row);
    if (s1 == missing_ || s2 == missing_ || locusMissing_[at]) continue;
    int64_t nearTerm = 0;
    int64_t farTerm = 0;
    locusTerms(s1, s2, low_[at], high_[at], &nearTerm, &farTerm);
    nearSum += nearTerm;
    farSum += farTerm;
  }
  return {row, saturateToInt32(nearSum), saturateToInt32(farSum)};
}

void ParentPanel::keepIfNear(const int32_t* offspring, int32_t row, int32_t radius,
                             std::vector<SphereHit>& hits) const {
  const SphereHit hit = distance(offspring, row);
  if (hit.near <= radius) hits.push_back(hit);
}

void ParentPanel::findCandidates(const int32_t* offspring, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits) const {
  // Every candidate has near <= radius, and near is never negative.
  if (radius < 0 || first >= last) return;
  if (!usesIndexFor(radius)) {
    scanCandidates(offspring, radius, first, last, hits);
    return;
  }
  switch (radius) {
    case 0: return indexCandidates<0>(offspring, first, last, hits);
    case 1: return indexCandidates<1>(offspring, first, last, hits);
    case 2: return indexCandidates<2>(offspring, first, last, hits);
    case 3: return indexCandidates<3>(offspring, first, last, hits);
    case 4: return indexCandidates<4>(offspring, first, last, hits);
    case 5: return indexCandidates<5>(offspring, first, last, hits);
    case 6: return indexCandidates<6>(offspring, first, last, hits);
    default: return indexCandidates<7>(offspring, first, last, hits);
  }
}

// A parent sharing no allele with the offspring at a locus (neither side
// missing) adds at least 1 to the near distance there, so a parent with more
// than R such loci cannot be within radius R. Counting them takes R + 1
// bit-sliced counters per 64 parents; only the survivors get a real distance.
template <int R>
void ParentPanel::indexCandidates(const int32_t* offspring, int32_t first, int32_t last,
                                  std::vector<SphereHit>& hits) const {
  constexpr int kMaxLoci = 256;
  const uint64_t* lists[3 * kMaxLoci];
  int active = 0;
  std::vector<const uint64_t*> spill;
  const uint64_t** sets = lists;
  if (loci_ > kMaxLoci) {
    spill.resize(3 * static_cast<size_t>(loci_));
    sets = spill.data();
  }
  for (int32_t k = 0; k < loci_; ++k) {
    const int32_t s1 = offspring[2 * k];
    const int32_t s2 = offspring[2 * k + 1];
    if (s1 == missing_ || s2 == missing_) continue;  // every parent agrees here
    sets[3 * active] = carriersOf(k, s1);
    sets[3 * active + 1] = carriersOf(k, s2);
    sets[3 * active + 2] = missingBits_.data() + static_cast<size_t>(k) * words_;
    ++active;
  }
  const size_t firstWord = static_cast<size_t>(first) / 64;
  const size_t lastWord = (static_cast<size_t>(last) + 63) / 64;
  for (size_t w = firstWord; w < lastWord; ++w) {
    uint64_t atLeast[R + 1] = {};  // atLeast[i]: more than i mismatching loci
    for (int a = 0; a < active; ++a) {
      const uint64_t mismatch = ~(sets[3 * a][w] | sets[3 * a + 1][w] | sets[3 * a + 2][w]);
      for (int i = R; i > 0; --i) atLeast[i] |= atLeast[i - 1] & mismatch;
      atLeast[0] |= mismatch;
      if (atLeast[R] == ~uint64_t{0}) break;
    }
    uint64_t survivors = ~atLeast[R];
    const size_t base = w * 64;
    if (base < static_cast<size_t>(first)) survivors &= ~uint64_t{0} << (first - base);
    if (base + 64 > static_cast<size_t>(last)) {
      const size_t keep = static_cast<size_t>(last) - base;
      survivors &= keep == 64 ? ~uint64_t{0} : (uint64_t{1} << keep) - 1;
    }
    while (survivors != 0) {
      const int bit = __builtin_ctzll(survivors);
      survivors &= survivors - 1;
      keepIfNear(offspring, static_cast<int32_t>(base + static_cast<size_t>(bit)), R, hits);
    }
  }
}

void ParentPanel::scanCandidates(const int32_t* offspring, int32_t radius, int32_t first,
                                 int32_t last, std::vector<SphereHit>& hits) const {
  bool narrow = narrow_;
  for (int32_t k = 0; k < loci_ && narrow; ++k) {
    narrow = isNarrow(offspring[2 * k]) && isNarrow(offspring[2 * k + 1]);
  }
  if (!narrow) {
    for (int32_t row = first; row < last; ++row) keepIfNear(offspring, row, radius, hits);
    return;
  }
  // Narrow values: a block of parents at a time in 32-bit lanes the compiler
  // can vectorise, dropping the block once every parent in it is out.
  const size_t p = static_cast<size_t>(parents_);
  const int64_t limit = nearLimitFor(radius);
  for (int32_t start = first; start < last; start += kBlock) {
    const int32_t count = std::min(kBlock, last - start);
    int32_t nearSum[kBlock] = {};
    int32_t farSum[kBlock] = {};
    bool anyIn = true;
    for (int32_t k = 0; k < loci_ && anyIn; ++k) {
      int32_t s1 = offspring[2 * k];
      int32_t s2 = offspring[2 * k + 1];
      if (s1 == missing_ || s2 == missing_) continue;
      if (s1 > s2) std::swap(s1, s2);
      const size_t at = static_cast<size_t>(k) * p + static_cast<size_t>(start);
      const int32_t* low = &low_[at];
      const int32_t* high = &high_[at];
      const uint8_t* skip = &locusMissing_[at];
      int32_t closest = INT32_MAX;
      for (int32_t j = 0; j < count; ++j) {
        const int32_t d1 = std::min(std::abs(s1 - low[j]), std::abs(s1 - high[j]));
        const int32_t d2 = std::min(std::abs(s2 - low[j]), std::abs(s2 - high[j]));
        const int32_t keep = skip[j] ? 0 : -1;
        nearSum[j] += std::min(d1, d2) & keep;
        farSum[j] += std::max(d1, d2) & keep;
        closest = std::min(closest, nearSum[j]);
      }
      anyIn = closest <= limit;
    }
    if (!anyIn) continue;
    for (int32_t j = 0; j < count; ++j) {
      if (nearSum[j] <= limit) hits.push_back({start + j, nearSum[j], farSum[j]});
    }
  }
}
