#include "ranking/single_kernels.h"

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "ranking/pair_kernels.h"

// Performance-critical: on an SNP panel every scored candidate passes here,
// a hundred or more per offspring; measure with the snp96 and programme
// workloads of scripts/bench.sh before changing it.

namespace {

// A candidate's last loci (fewer than four, from `from` on) into its first
// product, and the last rescale, as the scalar code ends; p and e hold its
// four products and their powers of two.
inline ScaledProduct finish(double* p, const int64_t* e, const uint8_t* codes,
                            const GenotypeSingles& s, size_t from, uint8_t* states) {
  for (size_t t = from; t < s.typed; ++t) {
    const size_t cell = t / 4 * 16 + codes[t] * 4 + t % 4;
    states[t] = s.states[cell];
    p[0] *= s.ratios[cell];
  }
  const int64_t last = rescale(p[0]);
  return {p[0] * p[1] * p[2] * p[3], e[0] + e[1] + e[2] + e[3] + last};
}

constexpr uint64_t kExponentBits = uint64_t{0x7ff} << 52;
constexpr uint64_t kOneExponent = uint64_t{1023} << 52;
// The intrinsics' masked forms with all lanes on: the plain ones leave lanes
// "undefined", which g++ 12 takes for uninitialised.
constexpr __mmask8 kAll = 0xFF;

// Four candidates' codes at four loci, a byte each, as cells 4g + l of the
// step's tables: codes are below 4, so shifting 16-bit lanes moves no bit
// into the next byte.
inline __m128i stepCells(const uint32_t* four, __m128i offsets) {
  const __m128i codes = _mm_set_epi32(static_cast<int>(four[3]), static_cast<int>(four[2]),
                                      static_cast<int>(four[1]), static_cast<int>(four[0]));
  return _mm_add_epi8(_mm_slli_epi16(codes, 2), offsets);
}

}  // namespace

// The byte permutes the pair bounds' masks need, and their 256-bit forms.
bool hasGenotypeKernel() {
  static const bool has = hasMaskPermutes() && __builtin_cpu_supports("avx512vl") != 0;
  return has;
}

// Registers of products, two candidates each: lane 4c + l of a register
// holds candidate c's product of loci l, l + 4, l + 8, ..., as the scalar
// code's four products. Each step reads four loci of each group of four
// candidates, a byte each, in one register: as 4g + l they index both the
// step's 16 ratios (by vpermt2pd) and its 16 states (pshufb).
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi"))) void genotypeProducts(
    const uint8_t* const* codes, const GenotypeSingles& s, uint8_t* const* states,
    ScaledProduct* out) {
  alignas(64) uint8_t typedCodes[kKernelCandidates][kKernelPlaces];
  const uint8_t* rows[kKernelCandidates];
  for (size_t c = 0; c < kKernelCandidates; ++c) rows[c] = codes[c];
  if (s.places != nullptr) {
    // The codes at the typed loci, side by side, by two byte permutes.
    const auto first = [](size_t n) {
      return n >= 64 ? ~static_cast<__mmask64>(0) : (static_cast<__mmask64>(1) << n) - 1;
    };
    const __m512i place0 = _mm512_loadu_si512(s.places);
    const __m512i place1 = _mm512_loadu_si512(s.places + 64);
    for (size_t c = 0; c < kKernelCandidates; ++c) {
      const __m512i low = _mm512_maskz_loadu_epi8(first(s.loci), codes[c]);
      const __m512i high = s.loci > 64
                               ? _mm512_maskz_loadu_epi8(first(s.loci - 64), codes[c] + 64)
                               : _mm512_setzero_si512();
      _mm512_store_si512(typedCodes[c], _mm512_permutex2var_epi8(low, place0, high));
      _mm512_store_si512(typedCodes[c] + 64, _mm512_permutex2var_epi8(low, place1, high));
      rows[c] = typedCodes[c];
    }
  }
  const size_t count = s.typed;
  const __m128i offsets = _mm_set1_epi32(0x03020100);
  const __m512i exponentBits = _mm512_set1_epi64(static_cast<long long>(kExponentBits));
  const __m512i oneExponent = _mm512_set1_epi64(static_cast<long long>(kOneExponent));
  const __m512i bias = _mm512_set1_epi64(1023);
  // Two candidates a register: four chains of products, which the
  // multiplications' latency needs to keep the processor busy.
  constexpr size_t kRegisters = kKernelCandidates / 2;
  __m512d products[kRegisters];
  __m512i exponents[kRegisters];
  for (size_t r = 0; r < kRegisters; ++r) {
    products[r] = _mm512_set1_pd(1.0);
    exponents[r] = _mm512_setzero_si512();
  }
  size_t k = 0;
  while (k + 4 <= count) {
    const size_t end = std::min(count & ~size_t{3}, k + 32);
    for (; k < end; k += 4) {
      const double* table = s.ratios + k * 4;
      const __m512d low = _mm512_loadu_pd(table);
      const __m512d high = _mm512_loadu_pd(table + 8);
      const __m128i stepStates =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.states + k * 4));
      for (size_t group = 0; group < kKernelCandidates / 4; ++group) {
        uint32_t four[4];
        for (size_t c = 0; c < 4; ++c) std::memcpy(&four[c], rows[4 * group + c] + k, 4);
        const __m128i cells = stepCells(four, offsets);
        __m512d& first = products[2 * group];
        __m512d& second = products[2 * group + 1];
        first = _mm512_mul_pd(
            first, _mm512_permutex2var_pd(low, _mm512_maskz_cvtepu8_epi64(kAll, cells), high));
        second = _mm512_mul_pd(
            second, _mm512_permutex2var_pd(
                        low, _mm512_maskz_cvtepu8_epi64(kAll, _mm_srli_si128(cells, 8)), high));
        alignas(16) uint32_t stateWords[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(stateWords),
                        _mm_shuffle_epi8(stepStates, cells));
        for (size_t c = 0; c < 4; ++c) std::memcpy(states[4 * group + c] + k, &stateWords[c], 4);
      }
    }
    // Each product back to [1, 2), its power of two kept.
    for (size_t r = 0; r < kRegisters; ++r) {
      const __m512i bits = _mm512_castpd_si512(products[r]);
      exponents[r] = _mm512_add_epi64(
          exponents[r], _mm512_sub_epi64(_mm512_maskz_srli_epi64(kAll, bits, 52), bias));
      products[r] = _mm512_castsi512_pd(
          _mm512_or_si512(_mm512_maskz_andnot_epi64(kAll, exponentBits, bits), oneExponent));
    }
  }
  alignas(64) double product[kRegisters * 8];
  alignas(64) int64_t exponent[kRegisters * 8];
  for (size_t r = 0; r < kRegisters; ++r) {
    _mm512_store_pd(product + 8 * r, products[r]);
    _mm512_store_si512(exponent + 8 * r, exponents[r]);
  }
  for (size_t c = 0; c < kKernelCandidates; ++c) {
    out[c] = finish(product + 4 * c, exponent + 4 * c, rows[c], s, k, states[c]);
  }
}

// One register of products per candidate, lane l its product of loci l, l +
// 4, ...: each lane picks its ratio among the step's four genotype rows by
// the two bits of its code (blendv reads the sign), and the states come from
// pshufb as in the AVX-512 kernel.
namespace {

// Four candidates of genotypeProductsAvx2() (more would not fit the sixteen
// registers).
__attribute__((target("avx2"))) void fourProductsAvx2(const uint8_t* const* codes,
                                                      const GenotypeSingles& s,
                                                      uint8_t* const* states,
                                                      ScaledProduct* out) {
  constexpr size_t kFour = 4;
  alignas(32) uint8_t typedCodes[kFour][kKernelPlaces];
  const uint8_t* rows[kFour];
  for (size_t c = 0; c < kFour; ++c) rows[c] = codes[c];
  if (s.places != nullptr) {
    // The typed loci's codes, 16 at a time from the 16 loci at the same
    // place and the 16 after.
    const size_t blocks = (s.typed + 15) / 16;
    for (size_t c = 0; c < kFour; ++c) {
      for (size_t q = 0; q < blocks; ++q) {
        const __m128i near =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes[c] + 16 * q));
        const __m128i far =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(codes[c] + 16 * q + 16));
        const __m128i* control = reinterpret_cast<const __m128i*>(s.shuffles + 32 * q);
        _mm_store_si128(reinterpret_cast<__m128i*>(typedCodes[c] + 16 * q),
                        _mm_or_si128(_mm_shuffle_epi8(near, _mm_loadu_si128(control)),
                                     _mm_shuffle_epi8(far, _mm_loadu_si128(control + 1))));
      }
      rows[c] = typedCodes[c];
    }
  }
  const size_t count = s.typed;
  const __m128i offsets = _mm_set1_epi32(0x03020100);
  const __m256i exponentBits = _mm256_set1_epi64x(static_cast<long long>(kExponentBits));
  const __m256i oneExponent = _mm256_set1_epi64x(static_cast<long long>(kOneExponent));
  const __m256i bias = _mm256_set1_epi64x(1023);
  __m256d products[kFour];
  __m256i exponents[kFour];
  for (size_t c = 0; c < kFour; ++c) {
    products[c] = _mm256_set1_pd(1.0);
    exponents[c] = _mm256_setzero_si256();
  }
  size_t k = 0;
  while (k + 4 <= count) {
    const size_t end = std::min(count & ~size_t{3}, k + 32);
    for (; k < end; k += 4) {
      uint32_t four[kFour];
      for (size_t c = 0; c < kFour; ++c) std::memcpy(&four[c], rows[c] + k, 4);
      const double* table = s.ratios + k * 4;
      const __m256d g0 = _mm256_loadu_pd(table);
      const __m256d g1 = _mm256_loadu_pd(table + 4);
      const __m256d g2 = _mm256_loadu_pd(table + 8);
      const __m256d g3 = _mm256_loadu_pd(table + 12);
      for (size_t c = 0; c < kFour; ++c) {
        const __m256i code =
            _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(static_cast<int>(four[c])));
        const __m256d low = _mm256_castsi256_pd(_mm256_slli_epi64(code, 63));
        const __m256d high = _mm256_castsi256_pd(_mm256_slli_epi64(code, 62));
        const __m256d ratio = _mm256_blendv_pd(_mm256_blendv_pd(g0, g1, low),
                                               _mm256_blendv_pd(g2, g3, low), high);
        products[c] = _mm256_mul_pd(products[c], ratio);
      }
      const __m128i found = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.states + k * 4)),
          stepCells(four, offsets));
      alignas(16) uint32_t stateWords[kFour];
      _mm_store_si128(reinterpret_cast<__m128i*>(stateWords), found);
      for (size_t c = 0; c < kFour; ++c) std::memcpy(states[c] + k, &stateWords[c], 4);
    }
    for (size_t c = 0; c < kFour; ++c) {
      const __m256i bits = _mm256_castpd_si256(products[c]);
      exponents[c] =
          _mm256_add_epi64(exponents[c], _mm256_sub_epi64(_mm256_srli_epi64(bits, 52), bias));
      products[c] = _mm256_castsi256_pd(
          _mm256_or_si256(_mm256_andnot_si256(exponentBits, bits), oneExponent));
    }
  }
  for (size_t c = 0; c < kFour; ++c) {
    alignas(32) double p[4];
    alignas(32) int64_t e[4];
    _mm256_store_pd(p, products[c]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(e), exponents[c]);
    out[c] = finish(p, e, rows[c], s, k, states[c]);
  }
}

}  // namespace

__attribute__((target("avx2"))) void genotypeProductsAvx2(const uint8_t* const* codes,
                                                          const GenotypeSingles& s,
                                                          uint8_t* const* states,
                                                          ScaledProduct* out) {
  for (size_t group = 0; group < kKernelCandidates; group += 4) {
    fourProductsAvx2(codes + group, s, states + group, out + group);
  }
}
#endif
