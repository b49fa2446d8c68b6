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
  low_.resize(2 * loci_);
  span_.resize(2 * loci_);
  // A negative radius leaves the windows unused: the masks stay empty.
  setWindows(offspring, std::max(radiusNear, 0), std::max(radiusFar, 0));
  full_.assign(words_, 0);
  for (size_t w = 0; w * kWordBits < loci_; ++w) {
    const size_t bits = std::min(kWordBits, loci_ - w * kWordBits);
    full_[w] = bits == kWordBits ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  }
  candidates_ = 0;
}

void FitMasks::setWindow(size_t allele, int32_t value, int32_t tolerance) {
  // A missing offspring allele is at distance 0 from every parent allele.
  const bool unknown = value == missing_;
  const int64_t from = unknown ? kLowest : std::max(kLowest, int64_t{value} - tolerance);
  const int64_t to = unknown ? kHighest : std::min(kHighest, int64_t{value} + tolerance);
  low_[allele] = biased(from);
  span_[allele] = biased(to - from);
}

void FitMasks::addLocus(const int32_t* parent, size_t k, uint64_t* first,
                        uint64_t* second) const {
  const size_t a = 2 * k;
  const int32_t p1 = parent[a];
  const int32_t p2 = parent[a + 1];
  const bool unknown = p1 == missing_ || p2 == missing_;
  const uint64_t nearFit =
      unknown || fits(p1, low_[a], span_[a]) || fits(p2, low_[a], span_[a]);
  const uint64_t farFit =
      unknown || fits(p1, low_[a + 1], span_[a + 1]) || fits(p2, low_[a + 1], span_[a + 1]);
  first[k / kWordBits] |= nearFit << (k % kWordBits);
  second[k / kWordBits] |= farFit << (k % kWordBits);
}

#if defined(__SSE2__)
// Two loci (four alleles) per step; an odd last locus goes to the scalar form.
namespace {

__m128i load(const int32_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Lanes where `mask` is set from `yes`, the others from `no`.
__m128i select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

}  // namespace

void FitMasks::setWindows(const int32_t* offspring, int32_t toleranceNear, int32_t toleranceFar) {
  const __m128i tolerance = _mm_setr_epi32(toleranceNear, toleranceFar, toleranceNear, toleranceFar);
  const __m128i lowest = _mm_set1_epi32(std::numeric_limits<int32_t>::min());
  const __m128i highest = _mm_set1_epi32(std::numeric_limits<int32_t>::max());
  const __m128i bias = lowest;  // 2^31 as a bit pattern
  const __m128i missing = _mm_set1_epi32(missing_);
  for (size_t k = 0; k + 1 < loci_; k += 2) {
    const __m128i s = load(offspring + 2 * k);
    // The tolerance is not negative, so s - t wrapped past the lowest value
    // exactly when it came out above s, and s + t past the highest when below.
    const __m128i down = _mm_sub_epi32(s, tolerance);
    const __m128i up = _mm_add_epi32(s, tolerance);
    const __m128i unknown = _mm_cmpeq_epi32(s, missing);
    const __m128i from = select(_mm_or_si128(_mm_cmpgt_epi32(down, s), unknown), lowest, down);
    const __m128i to = select(_mm_or_si128(_mm_cmpgt_epi32(s, up), unknown), highest, up);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&low_[2 * k]), _mm_xor_si128(from, bias));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&span_[2 * k]),
                     _mm_xor_si128(_mm_sub_epi32(to, from), bias));
  }
  if (loci_ % 2 != 0) {
    const size_t a = 2 * (loci_ - 1);
    setWindow(a, offspring[a], toleranceNear);
    setWindow(a + 1, offspring[a + 1], toleranceFar);
  }
}

void FitMasks::addPairs(const int32_t* parent, uint64_t* first, uint64_t* second) const {
  // Per 4-bit mask of the alleles that fit, the 2 bits of the loci where either does.
  static constexpr uint8_t kLociOf[16] = {0, 1, 1, 1, 2, 3, 3, 3, 2, 3, 3, 3, 2, 3, 3, 3};
  const __m128i missing = _mm_set1_epi32(missing_);
  for (size_t k = 0; k + 1 < loci_; k += 2) {
    const size_t a = 2 * k;
    const __m128i p = load(parent + a);
    // The windows of (first, second, first, second) offspring alleles, spread
    // over both alleles of each parent locus.
    const __m128i low = load(&low_[a]);
    const __m128i span = load(&span_[a]);
    auto outside = [&p](__m128i low, __m128i span) {
      return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_sub_epi32(p, low), span)));
    };
    const int unknown = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(p, missing)));
    const int nearOut = outside(_mm_shuffle_epi32(low, _MM_SHUFFLE(2, 2, 0, 0)),
                                _mm_shuffle_epi32(span, _MM_SHUFFLE(2, 2, 0, 0)));
    const int farOut = outside(_mm_shuffle_epi32(low, _MM_SHUFFLE(3, 3, 1, 1)),
                               _mm_shuffle_epi32(span, _MM_SHUFFLE(3, 3, 1, 1)));
    const uint64_t nearFit = kLociOf[(~nearOut | unknown) & 0xF];
    const uint64_t farFit = kLociOf[(~farOut | unknown) & 0xF];
    first[k / kWordBits] |= nearFit << (k % kWordBits);
    second[k / kWordBits] |= farFit << (k % kWordBits);
  }
  if (loci_ % 2 != 0) addLocus(parent, loci_ - 1, first, second);
}
#else
void FitMasks::setWindows(const int32_t* offspring, int32_t toleranceNear, int32_t toleranceFar) {
  for (size_t k = 0; k < loci_; ++k) {
    setWindow(2 * k, offspring[2 * k], toleranceNear);
    setWindow(2 * k + 1, offspring[2 * k + 1], toleranceFar);
  }
}

void FitMasks::addPairs(const int32_t* parent, uint64_t* first, uint64_t* second) const {
  for (size_t k = 0; k < loci_; ++k) addLocus(parent, k, first, second);
}
#endif

size_t FitMasks::add(const int32_t* parent) {
  // masks_ only grows: its words past the candidates added are spare room.
  const size_t at = candidates_ * 2 * words_;
  if (masks_.size() < at + 2 * words_) masks_.resize(std::max(at + 2 * words_, 2 * masks_.size()));
  uint64_t* first = &masks_[at];
  uint64_t* second = &masks_[at + words_];
  std::fill(first, first + 2 * words_, 0);
  addPairs(parent, first, second);
  if (!nearAllowed_) std::fill(first, first + words_, 0);
  if (!farAllowed_) std::fill(second, second + words_, 0);
  return candidates_++;
}
