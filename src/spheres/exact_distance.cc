#include "spheres/exact_distance.h"

#include <algorithm>

#include "util/cpu_features.h"

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
#include <immintrin.h>
#define PARENTSPHERE_DISTANCE_KERNEL 1
#endif

namespace {

constexpr size_t kBlockLoci = 8;

bool kernelAvailable() {
#ifdef PARENTSPHERE_DISTANCE_KERNEL
  // Every kind above the portable one runs AVX2.
  return activeKernel() != KernelKind::Portable;
#else
  return false;
#endif
}

}  // namespace

bool fitsLanes(const int32_t* values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (values[i] <= -kLaneValueLimit || values[i] >= kLaneValueLimit) return false;
  }
  return true;
}

void DistanceLanes::start(size_t loci, bool panelFits) {
  usable = panelFits && kernelAvailable();
  const size_t padded = (loci + kBlockLoci - 1) / kBlockLoci * kBlockLoci;
  if (low.size() == padded) return;  // the padding lanes stay untyped
  low.assign(padded, 0);
  high.assign(padded, 0);
  typed.assign(padded, 0);
}

#ifdef PARENTSPHERE_DISTANCE_KERNEL
namespace {

__attribute__((target("avx2"))) inline __m256i gap(__m256i s, __m256i p) {
  return _mm256_abs_epi32(_mm256_sub_epi32(s, p));
}

// Adds the eight 32-bit lanes of `terms` (each below 2^31) to four 64-bit sums.
__attribute__((target("avx2"))) inline __m256i widenAdd(__m256i sums, __m256i terms) {
  sums = _mm256_add_epi64(sums, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(terms)));
  return _mm256_add_epi64(sums, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(terms, 1)));
}

__attribute__((target("avx2"))) inline int64_t total(__m256i sums) {
  const __m128i half =
      _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
  return _mm_cvtsi128_si64(half) + _mm_extract_epi64(half, 1);
}

}  // namespace

__attribute__((target("avx2"))) bool laneDistance(const DistanceLanes& lanes,
                                                  const int32_t* pairs, int32_t missing,
                                                  int64_t limit, int64_t* near, int64_t* far) {
  const __m256i missingCode = _mm256_set1_epi32(missing);
  __m256i nearSums = _mm256_setzero_si256();
  __m256i farSums = _mm256_setzero_si256();
  for (size_t at = 0; at < lanes.low.size(); at += kBlockLoci) {
    const __m256 first = _mm256_loadu_ps(reinterpret_cast<const float*>(pairs + 2 * at));
    const __m256 second =
        _mm256_loadu_ps(reinterpret_cast<const float*>(pairs + 2 * at + kBlockLoci));
    const __m256i p1 = _mm256_castps_si256(_mm256_shuffle_ps(first, second, 0x88));
    const __m256i p2 = _mm256_castps_si256(_mm256_shuffle_ps(first, second, 0xdd));
    const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&lanes.low[at]));
    const __m256i s2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&lanes.high[at]));
    const __m256i typed =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&lanes.typed[at]));
    const __m256i parentMissing = _mm256_or_si256(_mm256_cmpeq_epi32(p1, missingCode),
                                                  _mm256_cmpeq_epi32(p2, missingCode));
    const __m256i counted = _mm256_andnot_si256(parentMissing, typed);
    const __m256i d1 = _mm256_min_epi32(gap(s1, p1), gap(s1, p2));
    const __m256i d2 = _mm256_min_epi32(gap(s2, p1), gap(s2, p2));
    nearSums = widenAdd(nearSums, _mm256_and_si256(_mm256_min_epi32(d1, d2), counted));
    farSums = widenAdd(farSums, _mm256_and_si256(_mm256_max_epi32(d1, d2), counted));
    // The near sum only grows: once past the limit the parent is out.
    if (total(nearSums) > limit) return false;
  }
  *near = total(nearSums);
  *far = total(farSums);
  return true;
}
#else
bool laneDistance(const DistanceLanes&, const int32_t*, int32_t, int64_t, int64_t*, int64_t*) {
  return false;  // never called: DistanceLanes::start leaves the lanes unusable
}
#endif
