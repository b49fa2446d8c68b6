#include "ranking/pair_bounds.h"

#include <algorithm>
#include <cmath>

#include "util/cpu_features.h"

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
#include <immintrin.h>
#endif

// Performance-critical: an SNP offspring with a hundred candidates of each
// sex has some ten thousand pairs, and every one gets a bound here; measure
// with the snp96 workloads of scripts/bench.sh before changing it.

namespace {

// The pair's ratio over the product of its single ratios at a heterozygous
// locus, from the shares p and q of each single ratio owed to passing a.
double interaction(double p, double q) { return 2.0 * (p * (1.0 - q) + (1.0 - p) * q); }


// A state's code at a heterozygous locus: the masks it sets.
constexpr uint64_t kLeansA = 1;
constexpr uint64_t kLeansB = 2;
constexpr uint64_t kStrong = 4;

struct Swar {
  static int count(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fULL;
    return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
  }
};

// The masks' counts for one pair: loci leaning apart, and loci where both
// carry one allele only and lean alike. `m`: the mother's masks, one word
// after another; `f`: the father's, a row of `stride` words apart. Words: the
// mask length when known at compile time (0: runtimeWords).
template <size_t Words>
inline __attribute__((always_inline)) void countLoci(const uint64_t* m, const uint64_t* f,
                                                     size_t stride, size_t runtimeWords,
                                                     int& apart, int& alike) {
  const size_t words = Words > 0 ? Words : runtimeWords;
  apart = 0;
  alike = 0;
  for (size_t w = 0; w < words; ++w) {
    const uint64_t ma = m[w], mb = m[words + w], ms = m[2 * words + w];
    const uint64_t fa = f[w * stride], fb = f[(words + w) * stride];
    const uint64_t fs = f[(2 * words + w) * stride];
    apart += Swar::count((ma & fb) | (mb & fa));
    alike += Swar::count(((ma & fa) | (mb & fb)) & ms & fs);
  }
}

// The range the factors are kept in, and the clamp every kernel applies to
// the product of a low and a high half (std::max and std::min as vmaxpd and
// vminpd order them).
constexpr double kSmallestFactor = 1e-300;
constexpr double kLargestFactor = 1e300;
inline double clampFactor(double x) {
  const double floor = x > kSmallestFactor ? x : kSmallestFactor;
  return floor < kLargestFactor ? floor : kLargestFactor;
}

// How far below the threshold the kernels' tests let pairs through: far more
// than the rounding of the factors and of the bounds.
constexpr double kRatioMargin = 1e-3;
// The smallest mother's ratio the ratio test's factor is divided by.
constexpr double kDividedRatio = 1e-200;

// How the weights of one mother's pairs are summed, alike in every kernel so
// that each gives the same sum to the last bit: father j adds into lane j % 8,
// and the lanes are added up in one fixed order at the end.
constexpr size_t kLanes = 8;
inline double addLanes(const double* lanes) {
  return ((lanes[0] + lanes[4]) + (lanes[2] + lanes[6])) +
         ((lanes[1] + lanes[5]) + (lanes[3] + lanes[7]));
}

// One mother's row of pairs, what a kernel needs to weigh it.
struct Row {
  const uint64_t* mother;   // her masks: leanA, leanB, strong words
  const uint64_t* fathers;  // the fathers' masks, a row of `padded` per word
  size_t padded;            // fathers per row, a multiple of kLanes
  size_t words;
  size_t end;               // how many fathers (by falling LOD) she is weighed with
  const double* ratios;     // the fathers', padded with 0
  // Which fathers a kernel writes out. With one or two words, those whose
  // reach is at least `reaching`; with more, those whose bound less the
  // mother's part, lods[j] + opposite * apart + sameStrong * alike, is at
  // least `lowest`. Both tests let through a margin more than the threshold,
  // so rounding (or a fused multiply-add) can never leave a reaching pair
  // out; weighAll() tests the bound of those written out.
  double reaching;
  const double* lods;
  double opposite;
  double sameStrong;
  double lowest;
  const double* apartFactor;
  const double* alikeFactor;
  const double* apartLow;   // the factors' low and high tables
  const double* apartHigh;
  const double* alikeLow;
  const double* alikeHigh;
  size_t high;              // entries in each high table
};

// What a kernel does with a row: adds each pair's weight, the father's ratio
// times e^min(0, bound on what the pair adds), into the pair's lane of
// `lanes`, and writes out the fathers that pass the row's test, in their
// order. Returns how many it wrote. Words: the mask length when known at
// compile time (0: any).
constexpr bool ratioTested(size_t words) { return words == 1 || words == 2; }

template <typename Hit>
using RowKernel = size_t (*)(const Row& r, double* lanes, Hit* hits);

template <size_t Words, typename Hit>
size_t weighRowPortable(const Row& r, double* lanes, Hit* hits) {
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
    if (passes) hits[found++] = Hit{static_cast<int32_t>(j), apart, alike, reach};
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
template <typename Hit>
inline __attribute__((always_inline)) size_t writeHits(unsigned passed, size_t j,
                                                       const int64_t* apart, const int64_t* alike,
                                                       const double* reach, Hit* hits) {
  size_t found = 0;
  for (; passed != 0; passed &= passed - 1) {
    const unsigned k = static_cast<unsigned>(__builtin_ctz(passed));
    hits[found++] = Hit{static_cast<int32_t>(j + k), static_cast<int32_t>(apart[k]),
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
template <size_t Words, typename Hit>
__attribute__((target("avx2"))) size_t weighRowAvx2(const Row& r, double* lanes, Hit* hits) {
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

// One of the factors for eight counts: low table by n % 16 times high table
// by n / 16, both by permutes (Permute), else from the full table.
template <bool Permute>
__attribute__((target("avx512f"))) inline __m512d factorOf(__m512i n, const double* full,
                                                         const __m512d* low,
                                                         const __m512d* high) {
  if (!Permute) return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), kAll, n, full, 8);
  const __m512d l = _mm512_permutex2var_pd(low[0], _mm512_and_si512(n, _mm512_set1_epi64(15)),
                                           low[1]);
  const __m512d h = _mm512_permutex2var_pd(high[0], _mm512_maskz_srli_epi64(kAll, n, 4), high[1]);
  // clampFactor(): vmaxpd and vminpd pick the first operand where it wins.
  return _mm512_maskz_min_pd(
      kAll, _mm512_maskz_max_pd(kAll, _mm512_mul_pd(l, h), _mm512_set1_pd(kSmallestFactor)),
      _mm512_set1_pd(kLargestFactor));
}

// Eight fathers at a time, one lane of the sum each. As in the AVX2 kernel,
// nothing on doubles can fuse. Permute: the high tables fit in two registers.
template <size_t Words, bool Permute, typename Hit>
__attribute__((target("avx512f,avx512vpopcntdq"))) size_t weighRowAvx512(const Row& r,
                                                                         double* lanes,
                                                                         Hit* hits) {
  const size_t words = Words > 0 ? Words : r.words;
  __m512d sum = _mm512_setzero_pd();
  const __m512d reaching = _mm512_set1_pd(r.reaching);
  const __m512d opposite = _mm512_set1_pd(r.opposite);
  const __m512d sameStrong = _mm512_set1_pd(r.sameStrong);
  const __m512d lowest = _mm512_set1_pd(r.lowest);
  __m512d apartLow[2], apartHigh[2], alikeLow[2], alikeHigh[2];
  if (Permute) {
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
    const __m512d apartFactor = factorOf<Permute>(apart, r.apartFactor, apartLow, apartHigh);
    const __m512d alikeFactor = factorOf<Permute>(alike, r.alikeFactor, alikeLow, alikeHigh);
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

bool hasBytePermutes() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vbmi") != 0 && __builtin_cpu_supports("avx512bw") != 0;
  }();
  return has;
}

// vpopcntq is an extension not every AVX-512 processor has.
bool hasVectorPopcount() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512vpopcntdq") != 0;
  }();
  return has;
}
#endif

// The kernel for the active kind and the mask length.
template <typename Hit>
RowKernel<Hit> rowKernel(size_t words, bool permutable) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  const KernelKind kind = activeKernel();
  if (kind == KernelKind::Avx512 && hasVectorPopcount()) {
    if (permutable) {
      switch (words) {
        case 1: return weighRowAvx512<1, true, Hit>;
        case 2: return weighRowAvx512<2, true, Hit>;
        case 3: return weighRowAvx512<3, true, Hit>;
        case 4: return weighRowAvx512<4, true, Hit>;
        default: return weighRowAvx512<0, true, Hit>;
      }
    }
    return weighRowAvx512<0, false, Hit>;
  }
  if (kind != KernelKind::Portable) {
    switch (words) {
      case 1: return weighRowAvx2<1, Hit>;
      case 2: return weighRowAvx2<2, Hit>;
      case 3: return weighRowAvx2<3, Hit>;
      case 4: return weighRowAvx2<4, Hit>;
      default: return weighRowAvx2<0, Hit>;
    }
  }
#else
  (void)permutable;
#endif
  switch (words) {
    case 1: return weighRowPortable<1, Hit>;
    case 2: return weighRowPortable<2, Hit>;
    case 3: return weighRowPortable<3, Hit>;
    case 4: return weighRowPortable<4, Hit>;
    default: return weighRowPortable<0, Hit>;
  }
}

// std::partition_point on doubles, stepping from the previous mother's
// answer: from one mother to the next it moves a few fathers at most, and a
// few steps cost less than the mispredicted branches of a binary search.
template <typename Test>
inline size_t firstFailing(const double* values, size_t count, size_t hint, Test passes) {
  size_t k = std::min(hint, count);
  if (k < count && passes(values[k])) {
    do {
      ++k;
    } while (k < count && passes(values[k]));
  } else {
    while (k > 0 && !passes(values[k - 1])) --k;
  }
  return k;
}

// Eight loci's codes, one a byte, to the bit `bit` of each: bit k of the
// result is bit `bit` of byte k.
inline uint64_t codeBits(uint64_t codes, unsigned bit) {
  return (((codes >> bit) & 0x0101010101010101ULL) * 0x0102040810204080ULL) >> 56;
}

}  // namespace

void PairBounds::start(const std::vector<OffspringLocus>& loci,
                       const std::vector<LocusStates>& states) {
  const size_t typed = loci.size();
  heterozygous_.clear();
  codes_.clear();
  masks_.clear();
  double opposite = 1.0;
  double sameStrong = 0.0;
  double rest = 1.0;
  int32_t heterozygous = 0;
  for (size_t k = 0; k < typed; ++k) {
    const OffspringLocus& o = loci[k];
    if (o.a == o.b) continue;
    heterozygous_.push_back(static_cast<int32_t>(k));
    ++heterozygous;
    double share[kParentStates] = {};
    uint8_t* codes = &*codes_.insert(codes_.end(), kParentStates, 0);
    for (int s : kHeterozygousStates) {
      const Transmission& t = states[k].sent[s];
      const double x = t.a / (2.0 * o.fa);
      const double y = t.b / (2.0 * o.fb);
      share[s] = x / (x + y);
      codes[s] = static_cast<uint8_t>((share[s] > 0.5 ? kLeansA : 0) |
                                      (share[s] < 0.5 ? kLeansB : 0) |
                                      (t.hasA != t.hasB ? kStrong : 0));
    }
    for (int s : kHeterozygousStates) {
      for (int u : kHeterozygousStates) {
        const double i = interaction(share[s], share[u]);
        const int leans = codes[s] | codes[u];
        const bool apart = (leans & kLeansA) && (leans & kLeansB);
        const bool alike = !apart && (leans & (kLeansA | kLeansB)) &&
                           ((codes[s] ^ codes[u]) & (kLeansA | kLeansB)) == 0;
        if (apart) {
          opposite = std::max(opposite, i);
        } else if (alike && (codes[s] & codes[u] & kStrong)) {
          sameStrong = std::max(sameStrong, i);
        } else {
          rest = std::max(rest, i);
        }
      }
    }
  }
  words_ = (static_cast<size_t>(heterozygous) + 63) / 64;
  typed_ = typed;
  permuteStates_ = false;
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  permuteStates_ = typed <= 128 && activeKernel() == KernelKind::Avx512 && hasBytePermutes();
#endif
  if (permuteStates_) {
    constexpr size_t kStates = sizeof kHeterozygousStates / sizeof kHeterozygousStates[0];
    places_.assign(64 * words_, 0);
    planes_.assign(3 * kStates * words_, 0);
    for (size_t h = 0; h < heterozygous_.size(); ++h) {
      places_[h] = static_cast<uint8_t>(heterozygous_[h]);
      for (size_t k = 0; k < kStates; ++k) {
        const uint64_t code =
            codes_[h * kParentStates + static_cast<size_t>(kHeterozygousStates[k])];
        uint64_t* plane = &planes_[(h / 64 * kStates + k) * 3];
        const unsigned bit = static_cast<unsigned>(h % 64);
        plane[0] |= (code & kLeansA) << bit;
        plane[1] |= ((code & kLeansB) >> 1) << bit;
        plane[2] |= ((code & kStrong) >> 2) << bit;
      }
    }
  }
  // The other loci add at most ln 1, but for rounding.
  rest_ = std::log(rest) * heterozygous;
  opposite_ = std::log(opposite);
  sameStrong_ = std::min(sameStrong > 0.0 ? std::log(sameStrong) : -1e300, opposite_);
  // Clamped where a double would overflow or vanish (a thousand
  // heterozygous loci and more): the high halves, and the products, in the
  // same range as the vector kernels clamp them (the low halves are at most
  // 2^15 apart, and at least 0 alike).
  const size_t count = static_cast<size_t>(heterozygous) + 1;
  const size_t high = count / 16 + 1;
  apartLow_.resize(16);
  alikeLow_.resize(16);
  for (int32_t n = 0; n < 16; ++n) {
    apartLow_[static_cast<size_t>(n)] = std::exp(opposite_ * n);
    alikeLow_[static_cast<size_t>(n)] = std::exp(sameStrong_ * n);
  }
  apartHigh_.assign((high + 15) / 16 * 16, 1.0);
  alikeHigh_.assign((high + 15) / 16 * 16, 1.0);
  for (int32_t n = 0; n < static_cast<int32_t>(high); ++n) {
    apartHigh_[static_cast<size_t>(n)] = std::min(std::exp(opposite_ * (16 * n)), kLargestFactor);
    alikeHigh_[static_cast<size_t>(n)] =
        std::max(std::exp(sameStrong_ * (16 * n) + rest_), kSmallestFactor);
  }
  apartFactor_.resize(count);
  alikeFactor_.resize(count);
  for (size_t n = 0; n < count; ++n) {
    apartFactor_[n] = clampFactor(apartLow_[n % 16] * apartHigh_[n / 16]);
    alikeFactor_[n] = clampFactor(alikeLow_[n % 16] * alikeHigh_[n / 16]);
  }
}

void PairBounds::add(const uint8_t* states) {
  const size_t first = masks_.size();
  masks_.resize(first + 3 * words_);
  uint64_t* masks = masks_.data() + first;
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  if (permuteStates_) {
    permuteMasks(states, typed_, places_.data(), planes_.data(), words_, masks);
    return;
  }
#endif
  const size_t loci = heterozygous_.size();
  const uint8_t* codes = codes_.data();
  const int32_t* heterozygous = heterozygous_.data();
  // Eight loci at a time: their codes gathered one a byte, then each mask's
  // bit taken from all eight bytes at once.
  for (size_t word = 0; word < words_; ++word) {
    uint64_t leansA = 0;
    uint64_t leansB = 0;
    uint64_t strong = 0;
    const size_t end = std::min(loci, 64 * word + 64);
    for (size_t h = 64 * word; h < end; h += 8) {
      uint64_t eight = 0;
      const size_t stop = std::min(end, h + 8);
      for (size_t k = h; k < stop; ++k) {
        const uint64_t code =
            codes[k * kParentStates + states[static_cast<size_t>(heterozygous[k])]];
        eight |= code << (8 * (k - h));
      }
      const unsigned bit = static_cast<unsigned>(h % 64);
      leansA |= codeBits(eight, 0) << bit;
      leansB |= codeBits(eight, 1) << bit;
      strong |= codeBits(eight, 2) << bit;
    }
    masks[word] = leansA;
    masks[words_ + word] = leansB;
    masks[2 * words_ + word] = strong;
  }
}

double PairBounds::weighAll(const Side& mothers, const Side& fathers, double threshold,
                           double negligible, std::vector<Pair>& reaching) const {
  const size_t stride = 3 * words_;
  const size_t padded = (fathers.count + kLanes - 1) / kLanes * kLanes;
  fatherMasks_.assign(stride * padded, 0);
  for (size_t j = 0; j < fathers.count; ++j) {
    const uint64_t* from = masks_.data() + static_cast<size_t>(fathers.slots[j]) * stride;
    for (size_t w = 0; w < stride; ++w) fatherMasks_[w * padded + j] = from[w];
  }
  fatherRatios_.assign(padded, 0.0);
  std::copy(fathers.ratios, fathers.ratios + fathers.count, fatherRatios_.begin());
  hits_.resize(padded);
  const RowKernel<Hit> kernel = rowKernel<Hit>(words_, apartHigh_.size() <= 16);
  Row row{nullptr,          fatherMasks_.data(), padded,      words_,      0,
          fatherRatios_.data(), 0.0,                fathers.lods, opposite_,  sameStrong_,
          0.0,              apartFactor_.data(), alikeFactor_.data(), apartLow_.data(),
          apartHigh_.data(), alikeLow_.data(),   alikeHigh_.data(),   apartHigh_.size()};
  // With one or two words (up to 128 heterozygous loci) the factors stay far
  // inside a double, and a pair's bound is first tested as a ratio, against a
  // threshold lowered by a margin; with more, as a LOD against the same.
  // Only pairs past it get their bound here.
  const double bestReaching =
      std::exp(threshold - kRatioMargin - (mothers.lods[0] + rest_) - fathers.lods[0]);
  double total = 0.0;
  size_t unreachable = 0;
  size_t light = 0;
  for (size_t i = 0; i < mothers.count; ++i) {
    const uint64_t* m = masks_.data() + static_cast<size_t>(mothers.slots[i]) * stride;
    const double base = mothers.lods[i] + rest_;
    // e^(bound - father's LOD relative to the best father) at the threshold:
    // the best mother's divided by this one's ratio, but where the ratio is
    // too small to divide by well. Rounding moves it by far less than the
    // margin.
    if (ratioTested(words_)) {
      row.reaching = mothers.ratios[i] >= kDividedRatio
                         ? bestReaching / mothers.ratios[i]
                         : std::exp(threshold - kRatioMargin - base - fathers.lods[0]);
    } else {
      row.lowest = threshold - kRatioMargin - base;
    }
    // How many of the fathers (by falling LOD) she is weighed with: the rest
    // can neither reach the threshold with her, whatever they share, nor
    // weigh more than `negligible` each, and are left out. Both tests fail
    // from some father on: the later of the two.
    int leaning = 0;
    for (size_t w = 0; w < words_; ++w) leaning += Swar::count(m[w] | m[words_ + w]);
    const double reachable = mothers.lods[i] + rest_ + opposite_ * leaning;
    const double smallest = negligible / mothers.ratios[i];
    unreachable = firstFailing(fathers.lods, fathers.count, unreachable,
                               [&](double lod) { return reachable + lod >= threshold; });
    light = firstFailing(fathers.ratios, fathers.count, light,
                         [&](double r) { return r >= smallest; });
    row.mother = m;
    row.end = std::max(unreachable, light);
    double lanes[kLanes];
    const size_t found = kernel(row, lanes, hits_.data());
    for (size_t k = 0; k < found; ++k) {
      const Hit& hit = hits_[k];
      const size_t j = static_cast<size_t>(hit.father);
      const double bound = base + fathers.lods[j] + opposite_ * hit.apart + sameStrong_ * hit.alike;
      if (bound >= threshold) {
        // Field by field: a whole Pair built on the stack and copied
        // stalls on store forwarding.
        Pair& pair = reaching.emplace_back();
        pair.bound = bound;
        pair.weight = mothers.ratios[i] * std::min(fathers.ratios[j], hit.reach);
        pair.mother = static_cast<int32_t>(i);
        pair.father = hit.father;
      }
    }
    total += mothers.ratios[i] * addLanes(lanes);
  }
  return total;
}

double PairBounds::weightOf(const Side& mothers, size_t i, const Side& fathers, size_t j) const {
  const size_t stride = 3 * words_;
  int apart = 0;
  int alike = 0;
  countLoci<0>(masks_.data() + static_cast<size_t>(mothers.slots[i]) * stride,
               masks_.data() + static_cast<size_t>(fathers.slots[j]) * stride, 1, words_, apart,
               alike);
  const double ratio = fathers.ratios[j];
  return mothers.ratios[i] *
         std::min(ratio, ratio * (apartFactor_[static_cast<size_t>(apart)] *
                                  alikeFactor_[static_cast<size_t>(alike)]));
}
