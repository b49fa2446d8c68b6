#include "ranking/pair_bounds.h"

#include <algorithm>
#include <cmath>

#include "util/cpu_features.h"

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
struct Builtin {
  static int count(uint64_t x) { return __builtin_popcountll(x); }
};

struct Lists {
  const uint64_t* masks;
  size_t words;
  PairBounds::Side mothers;
  PairBounds::Side fathers;
  double threshold;
  double negligible;
  double opposite;
  double sameStrong;
  double rest;
  const double* apartFactor;
  const double* alikeFactor;
};

// The masks' counts for one pair: loci leaning apart, and loci where both
// carry one allele only and lean alike. Words: the mask length when known
// at compile time (0: l.words).
template <typename Popcount, size_t Words>
inline __attribute__((always_inline)) void countLoci(const uint64_t* m, const uint64_t* f,
                                                     size_t runtimeWords, int& apart, int& alike) {
  const size_t words = Words > 0 ? Words : runtimeWords;
  apart = 0;
  alike = 0;
  for (size_t w = 0; w < words; ++w) {
    const uint64_t ma = m[w], mb = m[words + w], ms = m[2 * words + w];
    const uint64_t fa = f[w], fb = f[words + w], fs = f[2 * words + w];
    apart += Popcount::count((ma & fb) | (mb & fa));
    alike += Popcount::count(((ma & fa) | (mb & fb)) & ms & fs);
  }
}

// A pair's weight relative to its side's best: the father's ratio times
// e^min(0, bound on what the pair adds).
inline double fatherWeight(const Lists& l, size_t j, int apart, int alike) {
  const double ratio = l.fathers.ratios[j];
  return std::min(ratio, ratio * (l.apartFactor[apart] * l.alikeFactor[alike]));
}

// How far below the threshold the ratio test lets pairs through: far more
// than the rounding of the factors.
constexpr double kRatioMargin = 1e-3;

// How many of the fathers (by falling LOD) mother i is weighed with: the
// rest can neither reach the threshold with her, whatever they share, nor
// weigh more than l.negligible each, and are left out.
template <typename Popcount>
inline __attribute__((always_inline)) size_t fathersToWeigh(const Lists& l, size_t i,
                                                           const uint64_t* m) {
  int leaning = 0;
  for (size_t w = 0; w < l.words; ++w) leaning += Popcount::count(m[w] | m[l.words + w]);
  const double reachable = l.mothers.lods[i] + l.rest + l.opposite * leaning;
  const double smallest = l.negligible / l.mothers.ratios[i];
  const double* lods = l.fathers.lods;
  const double* ratios = l.fathers.ratios;
  const size_t count = l.fathers.count;
  // Both tests fail from some father on: the later of the two.
  const size_t unreachable = static_cast<size_t>(
      std::partition_point(lods, lods + count,
                           [&](double lod) { return reachable + lod >= l.threshold; }) -
      lods);
  const size_t light = static_cast<size_t>(
      std::partition_point(ratios, ratios + count, [&](double r) { return r >= smallest; }) -
      ratios);
  return std::max(unreachable, light);
}

// `fathers`: the fathers' masks one after another, in their order.
// With one or two words (up to 128 heterozygous loci) the factors stay far
// inside a double, and a pair's bound is first tested as a ratio, against a
// threshold lowered by a margin; only pairs past it get their bound as a LOD,
// tested as with more words.
template <typename Popcount, size_t Words>
inline __attribute__((always_inline)) double weighWords(const Lists& l, const uint64_t* fathers,
                                                        std::vector<PairBounds::Pair>& out) {
  const size_t stride = 3 * l.words;
  double total = 0.0;
  for (size_t i = 0; i < l.mothers.count; ++i) {
    const uint64_t* m = l.masks + static_cast<size_t>(l.mothers.slots[i]) * stride;
    const double base = l.mothers.lods[i] + l.rest;
    // e^(bound - father's LOD relative to the best father) at the threshold.
    const double reaching =
        Words > 0 ? std::exp(l.threshold - kRatioMargin - base - l.fathers.lods[0]) : 0.0;
    double sum = 0.0;
    const size_t end = fathersToWeigh<Popcount>(l, i, m);
    for (size_t j = 0; j < end; ++j) {
      int apart = 0;
      int alike = 0;
      countLoci<Popcount, Words>(m, fathers + j * stride, l.words, apart, alike);
      const double ratio = l.fathers.ratios[j];
      const double reach = ratio * (l.apartFactor[apart] * l.alikeFactor[alike]);
      sum += std::min(ratio, reach);
      if (Words > 0 && reach < reaching) continue;
      const double bound = base + l.fathers.lods[j] + l.opposite * apart + l.sameStrong * alike;
      if (bound >= l.threshold) {
        out.push_back({bound, l.mothers.ratios[i] * std::min(ratio, reach),
                       static_cast<int32_t>(i), static_cast<int32_t>(j)});
      }
    }
    total += l.mothers.ratios[i] * sum;
  }
  return total;
}

template <typename Popcount>
inline __attribute__((always_inline)) double weigh(const Lists& l, const uint64_t* fathers,
                                                   std::vector<PairBounds::Pair>& out) {
  switch (l.words) {
    case 1: return weighWords<Popcount, 1>(l, fathers, out);
    case 2: return weighWords<Popcount, 2>(l, fathers, out);
    default: return weighWords<Popcount, 0>(l, fathers, out);
  }
}

double weighPortable(const Lists& l, const uint64_t* fathers,
                     std::vector<PairBounds::Pair>& out) {
  return weigh<Swar>(l, fathers, out);
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
__attribute__((target("popcnt"))) double weighPopcnt(const Lists& l, const uint64_t* fathers,
                                                     std::vector<PairBounds::Pair>& out) {
  return weigh<Builtin>(l, fathers, out);
}
#endif

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
  // The other loci add at most ln 1, but for rounding.
  rest_ = std::log(rest) * heterozygous;
  opposite_ = std::log(opposite);
  sameStrong_ = std::min(sameStrong > 0.0 ? std::log(sameStrong) : -1e300, opposite_);
  // Clamped where a double would overflow or vanish (a thousand
  // heterozygous loci and more).
  apartFactor_.resize(static_cast<size_t>(heterozygous) + 1);
  alikeFactor_.resize(static_cast<size_t>(heterozygous) + 1);
  for (int32_t n = 0; n <= heterozygous; ++n) {
    apartFactor_[static_cast<size_t>(n)] = std::min(std::exp(opposite_ * n), 1e300);
    alikeFactor_[static_cast<size_t>(n)] = std::max(std::exp(sameStrong_ * n + rest_), 1e-300);
  }
}

void PairBounds::add(const uint8_t* states) {
  const size_t first = masks_.size();
  masks_.resize(first + 3 * words_);
  uint64_t* masks = &masks_[first];
  const size_t loci = heterozygous_.size();
  for (size_t word = 0; word < words_; ++word) {
    uint64_t leansA = 0;
    uint64_t leansB = 0;
    uint64_t strong = 0;
    const size_t end = std::min(loci, 64 * word + 64);
    for (size_t h = 64 * word; h < end; ++h) {
      const uint64_t code = codes_[h * kParentStates + states[static_cast<size_t>(heterozygous_[h])]];
      const unsigned bit = static_cast<unsigned>(h % 64);
      leansA |= (code & kLeansA) << bit;
      leansB |= ((code & kLeansB) >> 1) << bit;
      strong |= ((code & kStrong) >> 2) << bit;
    }
    masks[word] = leansA;
    masks[words_ + word] = leansB;
    masks[2 * words_ + word] = strong;
  }
}

double PairBounds::weighAll(const Side& mothers, const Side& fathers, double threshold,
                           double negligible, std::vector<Pair>& reaching) const {
  const Lists lists{masks_.data(), words_,       mothers,           fathers,
                    threshold,     negligible,   opposite_,         sameStrong_,
                    rest_,         apartFactor_.data(), alikeFactor_.data()};
  const size_t stride = 3 * words_;
  fatherMasks_.resize(fathers.count * stride);
  for (size_t j = 0; j < fathers.count; ++j) {
    const uint64_t* from = &masks_[static_cast<size_t>(fathers.slots[j]) * stride];
    std::copy(from, from + stride, &fatherMasks_[j * stride]);
  }
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  if (activeKernel() != KernelKind::Portable) {
    return weighPopcnt(lists, fatherMasks_.data(), reaching);
  }
#endif
  return weighPortable(lists, fatherMasks_.data(), reaching);
}

double PairBounds::weightOf(const Side& mothers, size_t i, const Side& fathers, size_t j) const {
  const Lists lists{masks_.data(), words_,       mothers,           fathers,
                    0.0,           0.0,          opposite_,         sameStrong_,
                    rest_,         apartFactor_.data(), alikeFactor_.data()};
  const size_t stride = 3 * words_;
  int apart = 0;
  int alike = 0;
  countLoci<Swar, 0>(&masks_[static_cast<size_t>(mothers.slots[i]) * stride],
                  &masks_[static_cast<size_t>(fathers.slots[j]) * stride], words_, apart, alike);
  return mothers.ratios[i] * fatherWeight(lists, j, apart, alike);
}
