#include "ranking/pair_kernels.h"

#include <algorithm>

#include "ranking/likelihood_ratio.h"
#include "util/cpu_features.h"

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
#include <immintrin.h>
#endif

// Performance-critical: an SNP offspring with a hundred candidates of each
// sex has some ten thousand pairs, and every one is weighed here; measure
// with the snp96 and programme workloads of scripts/bench.sh and
// bench/kernels_bench.cc before changing it.

namespace {

template <size_t Words>
size_t weighRowPortable(const Row& r, double* lanes, PairHit* hits) {
  double lane[kLanes] = {};
  size_t found = 0;
  const auto weighOne = [&](size_t j, size_t k) __attribute__((always_inline)) {
    int apart = 0;
    int alike = 0;
    countLoci<Words>(r.mother, r.fathers + j, r.padded, r.words, apart, alike);
    const double ratio = r.ratios[j];
    const double reach = ratio * (r.apartFactor[apart] * r.alikeFactor[alike]);
    lane[k] += std::min(ratio, reach);
    const bool passes =
        ratioTested(Words) ? !(reach < r.reaching)
                  : r.lods[j] + r.opposite * apart + r.sameStrong * alike >= r.lowest;
    if (passes) hits[found++] = PairHit{static_cast<int32_t>(j), apart, alike, reach};
  };
  // Whole blocks of eight unrolled, so that the lanes stay in registers.
  size_t j = 0;
  for (; j + kLanes <= r.end; j += kLanes) {
#pragma GCC unroll 8
    for (size_t k = 0; k < kLanes; ++k) weighOne(j + k, k);
  }
  for (size_t k = 0; j + k < r.end; ++k) weighOne(j + k, k);
  std::copy(lane, lane + kLanes, lanes);
  return found;
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)

// The lanes that passed the row's test, written out by father.
inline __attribute__((always_inline)) size_t writeHits(unsigned passed, size_t j,
                                                       const int64_t* apart, const int64_t* alike,
                                                       const double* reach, PairHit* hits) {
  size_t found = 0;
  for (; passed != 0; passed &= passed - 1) {
    const unsigned k = static_cast<unsigned>(__builtin_ctz(passed));
    hits[found++] = PairHit{static_cast<int32_t>(j + k), static_cast<int32_t>(apart[k]),
                        static_cast<int32_t>(alike[k]), reach[k]};
  }
  return found;
}

// AVX2 has no vector popcount: the bits of each byte by a nibble table, the
// bytes of each 64-bit lane summed by vpsadbw.
__attribute__((target("avx2"))) inline __m256i countBits(__m256i v) {
  const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1,
                                         2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
  const __m256i nibble = _mm256_set1_epi8(0x0f);
  const __m256i low = _mm256_shuffle_epi8(table, _mm256_and_si256(v, nibble));
  const __m256i high =
      _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
  return _mm256_sad_epu8(_mm256_add_epi8(low, high), _mm256_setzero_si256());
}

// Four fathers at a time, lanes 0-3 and 4-7 of the sum in two registers. The
// only arithmetic on doubles is the products, the min and the lane sums,
// which nothing can fuse, so each weight is the portable kernel's.
template <size_t Words>
__attribute__((target("avx2"))) size_t weighRowAvx2(const Row& r, double* lanes, PairHit* hits) {
  const size_t words = Words > 0 ? Words : r.words;
  __m256d sums[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
  const __m256d reaching = _mm256_set1_pd(r.reaching);
  const __m256d opposite = _mm256_set1_pd(r.opposite);
  const __m256d sameStrong = _mm256_set1_pd(r.sameStrong);
  const __m256d lowest = _mm256_set1_pd(r.lowest);
  const __m256i end = _mm256_set1_epi64x(static_cast<long long>(r.end));
  __m256i index = _mm256_setr_epi64x(0, 1, 2, 3);
  const __m256i four = _mm256_set1_epi64x(4);
  alignas(32) int64_t apartOut[4];
  alignas(32) int64_t alikeOut[4];
  alignas(32) double reachOut[4];
  size_t found = 0;
  // Eight fathers a round, the two halves unrolled so that both sums stay
  // in registers; the second half may lie past the end, all outside.
  for (size_t block = 0; block < r.end; block += 8) {
#pragma GCC unroll 2
    for (size_t half = 0; half < 2; ++half) {
      const size_t j = block + 4 * half;
      __m256i apart = _mm256_setzero_si256();
      __m256i alike = _mm256_setzero_si256();
      for (size_t w = 0; w < words; ++w) {
        const __m256i ma = _mm256_set1_epi64x(static_cast<long long>(r.mother[w]));
        const __m256i mb = _mm256_set1_epi64x(static_cast<long long>(r.mother[words + w]));
        const __m256i ms = _mm256_set1_epi64x(static_cast<long long>(r.mother[2 * words + w]));
        const uint64_t* f = r.fathers + j;
        const __m256i fa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + w * r.padded));
        const __m256i fb =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + (words + w) * r.padded));
        const __m256i fs =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + (2 * words + w) * r.padded));
        const __m256i x = _mm256_or_si256(_mm256_and_si256(ma, fb), _mm256_and_si256(mb, fa));
        const __m256i y = _mm256_and_si256(
            _mm256_or_si256(_mm256_and_si256(ma, fa), _mm256_and_si256(mb, fb)),
            _mm256_and_si256(ms, fs));
        apart = _mm256_add_epi64(apart, countBits(x));
        alike = _mm256_add_epi64(alike, countBits(y));
      }
      // The factors by plain loads: as fast here as gathers, which some
      // processors' microcode makes slow.
      _mm256_store_si256(reinterpret_cast<__m256i*>(apartOut), apart);
      _mm256_store_si256(reinterpret_cast<__m256i*>(alikeOut), alike);
      const __m256d apartFactor =
          _mm256_setr_pd(r.apartFactor[apartOut[0]], r.apartFactor[apartOut[1]],
                         r.apartFactor[apartOut[2]], r.apartFactor[apartOut[3]]);
      const __m256d alikeFactor =
          _mm256_setr_pd(r.alikeFactor[alikeOut[0]], r.alikeFactor[alikeOut[1]],
                         r.alikeFactor[alikeOut[2]], r.alikeFactor[alikeOut[3]]);
      const __m256d ratio = _mm256_loadu_pd(r.ratios + j);
      const __m256d reach = _mm256_mul_pd(ratio, _mm256_mul_pd(apartFactor, alikeFactor));
      const __m256d inside = _mm256_castsi256_pd(_mm256_cmpgt_epi64(end, index));
      index = _mm256_add_epi64(index, four);
      sums[half] = _mm256_add_pd(sums[half], _mm256_and_pd(_mm256_min_pd(reach, ratio), inside));
      __m256d pass;
      if (ratioTested(Words)) {
        pass = _mm256_cmp_pd(reach, reaching, _CMP_NLT_UQ);
      } else {
        // The counts, below 2^31, as doubles: their low halves.
        const __m256i low = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
        const __m256d apartCount = _mm256_cvtepi32_pd(
            _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(apart, low)));
        const __m256d alikeCount = _mm256_cvtepi32_pd(
            _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(alike, low)));
        const __m256d bound =
            _mm256_add_pd(_mm256_add_pd(_mm256_maskload_pd(r.lods + j, _mm256_castpd_si256(inside)),
                                        _mm256_mul_pd(opposite, apartCount)),
                          _mm256_mul_pd(sameStrong, alikeCount));
        pass = _mm256_cmp_pd(bound, lowest, _CMP_GE_OQ);
      }
      const unsigned passed =
          static_cast<unsigned>(_mm256_movemask_pd(_mm256_and_pd(pass, inside)));
      if (passed != 0) {
        _mm256_store_pd(reachOut, reach);
        found += writeHits(passed, j, apartOut, alikeOut, reachOut, hits + found);
      }
    }
  }
  _mm256_storeu_pd(lanes, sums[0]);
  _mm256_storeu_pd(lanes + 4, sums[1]);
  return found;
}

// GCC's unmasked forms of some intrinsics leave lanes undefined, which it then
// warns of: these use the masked forms with every lane.
constexpr __mmask8 kAll = 0xff;

// How a kernel finds the factors of eight counts: from the full tables by a
// gather, or as the product of a low table's entry by n % 16 and a high
// table's by n / 16, both by permutes, clamped as clampFactor() does or, where
// no product of the offspring's tables needs it, as they are.
enum class Factors { Gathered, Permuted, PermutedInRange };

template <Factors How>
__attribute__((target("avx512f"))) inline __m512d factorOf(__m512i n, const double* full,
                                                         const __m512d* low,
                                                         const __m512d* high) {
  if (How == Factors::Gathered) {
    return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), kAll, n, full, 8);
  }
  // vpermt2pd reads the index's low four bits only: n % 16 needs no mask.
  const __m512d l = _mm512_permutex2var_pd(low[0], n, low[1]);
  const __m512d h = _mm512_permutex2var_pd(high[0], _mm512_maskz_srli_epi64(kAll, n, 4), high[1]);
  if (How == Factors::PermutedInRange) return _mm512_mul_pd(l, h);
  // clampFactor(): vmaxpd and vminpd pick the first operand where it wins.
  return _mm512_maskz_min_pd(
      kAll, _mm512_maskz_max_pd(kAll, _mm512_mul_pd(l, h), _mm512_set1_pd(kSmallestFactor)),
      _mm512_set1_pd(kLargestFactor));
}

// Eight fathers at a time, one lane of the sum each. As in the AVX2 kernel,
// nothing on doubles can fuse.
template <size_t Words, Factors How>
__attribute__((target("avx512f,avx512vpopcntdq"))) size_t weighRowAvx512(const Row& r,
                                                                         double* lanes,
                                                                         PairHit* hits) {
  const size_t words = Words > 0 ? Words : r.words;
  __m512d sum = _mm512_setzero_pd();
  const __m512d reaching = _mm512_set1_pd(r.reaching);
  const __m512d opposite = _mm512_set1_pd(r.opposite);
  const __m512d sameStrong = _mm512_set1_pd(r.sameStrong);
  const __m512d lowest = _mm512_set1_pd(r.lowest);
  __m512d apartLow[2], apartHigh[2], alikeLow[2], alikeHigh[2];
  if (How != Factors::Gathered) {
    for (int k = 0; k < 2; ++k) {
      apartLow[k] = _mm512_loadu_pd(r.apartLow + 8 * k);
      apartHigh[k] = _mm512_loadu_pd(r.apartHigh + 8 * k);
      alikeLow[k] = _mm512_loadu_pd(r.alikeLow + 8 * k);
      alikeHigh[k] = _mm512_loadu_pd(r.alikeHigh + 8 * k);
    }
  }
  alignas(64) int64_t apartOut[8];
  alignas(64) int64_t alikeOut[8];
  alignas(64) double reachOut[8];
  size_t found = 0;
  for (size_t j = 0; j < r.end; j += 8) {
    const __mmask8 inside =
        r.end - j >= 8 ? kAll : static_cast<__mmask8>((1u << (r.end - j)) - 1);
    __m512i apart = _mm512_setzero_si512();
    __m512i alike = _mm512_setzero_si512();
    for (size_t w = 0; w < words; ++w) {
      const uint64_t ma = r.mother[w], mb = r.mother[words + w], ms = r.mother[2 * words + w];
      const uint64_t* f = r.fathers + j;
      const __m512i fa = _mm512_loadu_si512(f + w * r.padded);
      const __m512i fb = _mm512_loadu_si512(f + (words + w) * r.padded);
      const __m512i fs = _mm512_loadu_si512(f + (2 * words + w) * r.padded);
      // (ma & fb) | (mb & fa), and ((ma & fa) | (mb & fb)) & ms & fs.
      const __m512i x = _mm512_ternarylogic_epi64(
          _mm512_set1_epi64(static_cast<long long>(ma)), fb,
          _mm512_and_si512(_mm512_set1_epi64(static_cast<long long>(mb)), fa), 0xEA);
      const __m512i y = _mm512_and_si512(
          _mm512_ternarylogic_epi64(_mm512_set1_epi64(static_cast<long long>(mb & ms)), fb,
                                    _mm512_and_si512(
                                        _mm512_set1_epi64(static_cast<long long>(ma & ms)), fa),
                                    0xEA),
          fs);
      apart = _mm512_add_epi64(apart, _mm512_popcnt_epi64(x));
      alike = _mm512_add_epi64(alike, _mm512_popcnt_epi64(y));
    }
    const __m512d apartFactor = factorOf<How>(apart, r.apartFactor, apartLow, apartHigh);
    const __m512d alikeFactor = factorOf<How>(alike, r.alikeFactor, alikeLow, alikeHigh);
    const __m512d ratio = _mm512_loadu_pd(r.ratios + j);
    const __m512d reach = _mm512_mul_pd(ratio, _mm512_mul_pd(apartFactor, alikeFactor));
    sum = _mm512_mask_add_pd(sum, inside, sum, _mm512_maskz_min_pd(kAll, reach, ratio));
    unsigned passed;
    if (ratioTested(Words)) {
      passed = _mm512_mask_cmp_pd_mask(inside, reach, reaching, _CMP_NLT_UQ);
    } else {
      const __m512d apartCount =
          _mm512_maskz_cvtepi32_pd(kAll, _mm512_maskz_cvtepi64_epi32(kAll, apart));
      const __m512d alikeCount =
          _mm512_maskz_cvtepi32_pd(kAll, _mm512_maskz_cvtepi64_epi32(kAll, alike));
      const __m512d bound =
          _mm512_add_pd(_mm512_add_pd(_mm512_maskz_loadu_pd(inside, r.lods + j),
                                      _mm512_mul_pd(opposite, apartCount)),
                        _mm512_mul_pd(sameStrong, alikeCount));
      passed = _mm512_mask_cmp_pd_mask(inside, bound, lowest, _CMP_GE_OQ);
    }
    if (passed != 0) {
      _mm512_store_si512(apartOut, apart);
      _mm512_store_si512(alikeOut, alike);
      _mm512_store_pd(reachOut, reach);
      found += writeHits(passed, j, apartOut, alikeOut, reachOut, hits + found);
    }
  }
  _mm512_storeu_pd(lanes, sum);
  return found;
}

// vpopcntq is an extension not every AVX-512 processor has.
bool hasVectorPopcount() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vpopcntdq") != 0;
  }();
  return has;
}

// The AVX-512 kernel finding its factors `How`, for the mask length.
template <Factors How>
RowKernel avx512Kernel(size_t words) {
  switch (words) {
    case 1: return weighRowAvx512<1, How>;
    case 2: return weighRowAvx512<2, How>;
    case 3: return weighRowAvx512<3, How>;
    case 4: return weighRowAvx512<4, How>;
    default: return weighRowAvx512<0, How>;
  }
}

#endif

}  // namespace

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
// A candidate's masks by byte permutes and compares: its states at the
// heterozygous loci, 64 a word, picked from its (at most 128) typed loci's
// by vpermt2b; the loci in each state by one compare, their bits in each mask
// from the state's planes.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void permuteMasks(
    const uint8_t* states, size_t typed, const uint8_t* places, const uint64_t* planes,
    size_t words, uint64_t* masks) {
  const auto first = [](size_t n) {
    return n >= 64 ? ~static_cast<__mmask64>(0) : (static_cast<__mmask64>(1) << n) - 1;
  };
  const __m512i low = _mm512_maskz_loadu_epi8(first(typed), states);
  const __m512i high = typed > 64 ? _mm512_maskz_loadu_epi8(first(typed - 64), states + 64)
                                  : _mm512_setzero_si512();
  constexpr size_t kStates = sizeof kHeterozygousStates / sizeof kHeterozygousStates[0];
  for (size_t word = 0; word < words; ++word) {
    const __m512i place = _mm512_loadu_si512(places + 64 * word);
    const __m512i state = _mm512_permutex2var_epi8(low, place, high);
    uint64_t leansA = 0;
    uint64_t leansB = 0;
    uint64_t strong = 0;
    const uint64_t* plane = planes + 3 * kStates * word;
    for (size_t k = 0; k < kStates; ++k, plane += 3) {
      const uint64_t in = _mm512_cmpeq_epi8_mask(
          state, _mm512_set1_epi8(static_cast<char>(kHeterozygousStates[k])));
      leansA |= in & plane[0];
      leansB |= in & plane[1];
      strong |= in & plane[2];
    }
    masks[word] = leansA;
    masks[words + word] = leansB;
    masks[2 * words + word] = strong;
  }
}

bool hasMaskPermutes() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vbmi") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  }();
  return has;
}

#endif

// The kernel for the active kind and the mask length.
RowKernel rowKernel(size_t words, bool permutable, bool inRange) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  const KernelKind kind = activeKernel();
  if (kind == KernelKind::Avx512 && hasVectorPopcount()) {
    if (permutable) {
      return inRange ? avx512Kernel<Factors::PermutedInRange>(words)
                     : avx512Kernel<Factors::Permuted>(words);
    }
    return weighRowAvx512<0, Factors::Gathered>;
  }
  if (kind != KernelKind::Portable) {
    switch (words) {
      case 1: return weighRowAvx2<1>;
      case 2: return weighRowAvx2<2>;
      case 3: return weighRowAvx2<3>;
      case 4: return weighRowAvx2<4>;
      default: return weighRowAvx2<0>;
    }
  }
#else
  (void)permutable;
  (void)inRange;
#endif
  switch (words) {
    case 1: return weighRowPortable<1>;
    case 2: return weighRowPortable<2>;
    case 3: return weighRowPortable<3>;
    case 4: return weighRowPortable<4>;
    default: return weighRowPortable<0>;
  }
}
