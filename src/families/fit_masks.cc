#include "families/fit_masks.h"

#include <algorithm>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();
constexpr uint32_t kBias = uint32_t{1} << 31;
constexpr size_t kWordBits = 64;

// Both sides of the test moved by 2^31: int32(p - low) <= span then holds
// exactly when p - from, taken modulo 2^32, is at most to - from.
int32_t biased(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) ^ kBias); }

bool fits(int32_t allele, int32_t low, int32_t span) {
  return static_cast<int32_t>(static_cast<uint32_t>(allele) - static_cast<uint32_t>(low)) <= span;
}

}  // namespace

void FitMasks::Windows::assign(size_t at, int32_t allele, int64_t tolerance, int32_t missing) {
  // A missing offspring allele is at distance 0 from every parent allele.
  const int64_t from = allele == missing ? kLowest : std::max(kLowest, allele - tolerance);
  const int64_t to = allele == missing ? kHighest : std::min(kHighest, allele + tolerance);
  low[at] = low[at + 1] = biased(from);
  span[at] = span[at + 1] = biased(to - from);
}

FitMasks::FitMasks(const int32_t* offspring, int32_t loci, int32_t radiusNear, int32_t radiusFar,
                   int32_t missing) {
  reset(offspring, loci, radiusNear, radiusFar, missing);
}

void FitMasks::reset(const int32_t* offspring, int32_t loci, int32_t radiusNear,
                     int32_t radiusFar, int32_t missing) {
  loci_ = loci > 0 ? static_cast<size_t>(loci) : 0;
  missing_ = missing;
  nearAllowed_ = radiusNear >= 0;
  farAllowed_ = radiusFar >= 0;
  words_ = std::max<size_t>(1, (loci_ + kWordBits - 1) / kWordBits);
  for (Windows* windows : {&near_, &far_}) {
    windows->low.resize(2 * loci_);
    windows->span.resize(2 * loci_);
  }
  // A negative radius leaves the windows unused: the masks stay empty.
  const int64_t toleranceNear = std::max(radiusNear, 0);
  const int64_t toleranceFar = std::max(radiusFar, 0);
  for (size_t k = 0; k < loci_; ++k) {
    near_.assign(2 * k, offspring[2 * k], toleranceNear, missing);
    far_.assign(2 * k, offspring[2 * k + 1], toleranceFar, missing);
  }
  full_.assign(words_, 0);
  for (size_t w = 0; w * kWordBits < loci_; ++w) {
    const size_t bits = std::min(kWordBits, loci_ - w * kWordBits);
    full_[w] = bits == kWordBits ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  }
  masks_.clear();
  candidates_ = 0;
}

void FitMasks::addLocus(const int32_t* parent, size_t k, uint64_t* first,
                        uint64_t* second) const {
  const size_t a = 2 * k;
  const int32_t p1 = parent[a];
  const int32_t p2 = parent[a + 1];
  const bool unknown = p1 == missing_ || p2 == missing_;
  const uint64_t nearFit = unknown || fits(p1, near_.low[a], near_.span[a]) ||
                           fits(p2, near_.low[a], near_.span[a]);
  const uint64_t farFit =
      unknown || fits(p1, far_.low[a], far_.span[a]) || fits(p2, far_.low[a], far_.span[a]);
  first[k / kWordBits] |= nearFit << (k % kWordBits);
  second[k / kWordBits] |= farFit << (k % kWordBits);
}

#if defined(__SSE2__)
// Two loci (four parent alleles) per step; the odd last locus goes to addLocus.
void FitMasks::addPairs(const int32_t* parent, uint64_t* first, uint64_t* second) const {
  // Per 4-bit mask of the alleles that fit, the 2 bits of the loci where either does.
  static constexpr uint8_t kLociOf[16] = {0, 1, 1, 1, 2, 3, 3, 3, 2, 3, 3, 3, 2, 3, 3, 3};
  const __m128i missing = _mm_set1_epi32(missing_);
  for (size_t k = 0; k + 1 < loci_; k += 2) {
    const size_t a = 2 * k;
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(parent + a));
    auto outside = [&](const Windows& w) {
      const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&w.low[a]));
      const __m128i span = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&w.span[a]));
      return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_sub_epi32(p, low), span)));
    };
    const int unknown = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(p, missing)));
    const uint64_t nearFit = kLociOf[(~outside(near_) | unknown) & 0xF];
    const uint64_t farFit = kLociOf[(~outside(far_) | unknown) & 0xF];
    first[k / kWordBits] |= nearFit << (k % kWordBits);
    second[k / kWordBits] |= farFit << (k % kWordBits);
  }
  if (loci_ % 2 != 0) addLocus(parent, loci_ - 1, first, second);
}
#else
void FitMasks::addPairs(const int32_t* parent, uint64_t* first, uint64_t* second) const {
  for (size_t k = 0; k < loci_; ++k) addLocus(parent, k, first, second);
}
#endif

size_t FitMasks::add(const int32_t* parent) {
  const size_t at = masks_.size();
  masks_.resize(at + 2 * words_);  // zeroed
  uint64_t* first = &masks_[at];
  uint64_t* second = &masks_[at + words_];
  addPairs(parent, first, second);
  if (!nearAllowed_) std::fill(first, first + words_, 0);
  if (!farAllowed_) std::fill(second, second + words_, 0);
  return candidates_++;
}
