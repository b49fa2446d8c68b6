#pragma once
#include <cstddef>
#include <cstdint>

// The kernels of PairBounds::weighAll(): one mother's row of pairs weighed
// and tested, portable, AVX2 (four fathers a step) or AVX-512 with vpopcntq
// (eight), each giving the same weights and sums to the last bit; and the
// candidates' masks by byte permutes where AVX-512 VBMI has them.

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

// A father who passed a mother's test (by ratio, or by bound with three
// words and more): his index, the pair's counts and its product times the
// factors.
struct PairHit {
  int32_t father;
  int32_t apart;
  int32_t alike;
  double reach;
};

using RowKernel = size_t (*)(const Row& r, double* lanes, PairHit* hits);

// The kernel for the active kind (util/cpu_features.h) and the mask length;
// `permutable`: the factors' high tables have at most 16 entries; `inRange`:
// no product of a low and a high entry needs clampFactor() (all kernels give
// the same factors either way: this only spares the clamp).
RowKernel rowKernel(size_t words, bool permutable, bool inRange);

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
// Whether the processor has what permuteMasks() needs (AVX-512 VBMI).
bool hasMaskPermutes();
// A candidate's three masks (`words` words each) from its states at its
// `typed` (<= 128) typed loci: `places`, each heterozygous locus's place
// among them, 64 a word; `planes`, per word and heterozygous state the bits
// of each mask it sets.
void permuteMasks(const uint8_t* states, size_t typed, const uint8_t* places,
                  const uint64_t* planes, size_t words, uint64_t* masks);
#endif
