#include "ranking/pair_bounds.h"

#include <algorithm>
#include <cmath>

#include "ranking/pair_kernels.h"
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

// How far below the threshold the kernels' tests let pairs through: far more
// than the rounding of the factors and of the bounds.
constexpr double kRatioMargin = 1e-3;
// The smallest mother's ratio the ratio test's factor is divided by.
constexpr double kDividedRatio = 1e-200;

// The first index in 0 .. count - 1 failing a test that fails from some
// index on (count if none), searched from the previous mother's answer: in
// strides doubling away from it, then by halves within the last stride.
// Mothers come in no order past the first few, so the answer can jump far
// from one to the next; a walk a father at a time cost more than the
// kernel's whole row.
template <typename Test>
inline size_t firstFailing(size_t count, size_t hint, Test passes) {
  size_t low;   // low - 1 passes (or low is 0)
  size_t high;  // high fails (or is count)
  size_t k = std::min(hint, count);
  if (k < count && passes(k)) {
    low = k + 1;
    size_t stride = 1;
    while (low + stride <= count && passes(low + stride - 1)) {
      low += stride;
      stride *= 2;
    }
    high = std::min(count, low + stride - 1);
  } else {
    high = k;
    size_t stride = 1;
    while (high >= stride && !passes(high - stride)) {
      high -= stride;
      stride *= 2;
    }
    low = high >= stride ? high - stride + 1 : 0;
  }
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (passes(middle)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// Eight loci's codes, one a byte, to the bit `bit` of each: bit k of the
// result is bit `bit` of byte k.
inline uint64_t codeBits(uint64_t codes, unsigned bit) {
  return (((codes >> bit) & 0x0101010101010101ULL) * 0x0102040810204080ULL) >> 56;
}

}  // namespace

PairBounds::LocusBound PairBounds::boundAt(const OffspringLocus& o, const LocusStates& states) {
  LocusBound bound{};
  bound.opposite = 1.0;
  bound.sameStrong = 0.0;
  bound.rest = 1.0;
  double share[kParentStates] = {};
  uint8_t* codes = bound.codes;
  for (int s : kHeterozygousStates) {
    const Transmission& t = states.sent[s];
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
        bound.opposite = std::max(bound.opposite, i);
      } else if (alike && (codes[s] & codes[u] & kStrong)) {
        bound.sameStrong = std::max(bound.sameStrong, i);
      } else {
        bound.rest = std::max(bound.rest, i);
      }
    }
  }
  return bound;
}

void PairBounds::start(const std::vector<OffspringLocus>& loci,
                       const std::vector<LocusStates>& states) {
  bounds_.resize(loci.size());
  for (size_t k = 0; k < loci.size(); ++k) {
    if (loci[k].a != loci[k].b) bounds_[k] = boundAt(loci[k], states[k]);
  }
  start(loci, bounds_);
}

void PairBounds::start(const std::vector<OffspringLocus>& loci,
                       const std::vector<LocusBound>& bounds) {
  const size_t typed = loci.size();
  heterozygous_.clear();
  codes_.clear();
  masks_.clear();
  // The largest of each kind over the loci (max is exact: the order of the
  // loci does not matter).
  double opposite = 1.0;
  double sameStrong = 0.0;
  double rest = 1.0;
  int32_t heterozygous = 0;
  for (size_t k = 0; k < typed; ++k) {
    if (loci[k].a == loci[k].b) continue;
    heterozygous_.push_back(static_cast<int32_t>(k));
    ++heterozygous;
    const LocusBound& bound = bounds[k];
    codes_.insert(codes_.end(), bound.codes, bound.codes + kParentStates);
    opposite = std::max(opposite, bound.opposite);
    sameStrong = std::max(sameStrong, bound.sameStrong);
    rest = std::max(rest, bound.rest);
  }
  words_ = (static_cast<size_t>(heterozygous) + 63) / 64;
  typed_ = typed;
  permuteStates_ = false;
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  permuteStates_ = typed <= 128 && activeKernel() == KernelKind::Avx512 && hasMaskPermutes();
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
  factorsInRange_ = true;
  for (size_t n = 0; n < count; ++n) {
    const double apart = apartLow_[n % 16] * apartHigh_[n / 16];
    const double alike = alikeLow_[n % 16] * alikeHigh_[n / 16];
    apartFactor_[n] = clampFactor(apart);
    alikeFactor_[n] = clampFactor(alike);
    factorsInRange_ = factorsInRange_ && apartFactor_[n] == apart && alikeFactor_[n] == alike;
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
  // A row of `padded` words even where the offspring is heterozygous at no
  // locus (no mask words): the kernels address fathers within it.
  fatherMasks_.assign(std::max(stride, size_t{1}) * padded, 0);
  for (size_t j = 0; j < fathers.count; ++j) {
    const uint64_t* from = masks_.data() + static_cast<size_t>(fathers.slots[j]) * stride;
    for (size_t w = 0; w < stride; ++w) fatherMasks_[w * padded + j] = from[w];
  }
  fatherRatios_.assign(padded, 0.0);
  std::copy(fathers.ratios, fathers.ratios + fathers.count, fatherRatios_.begin());
  hits_.resize(padded);
  const RowKernel kernel = rowKernel(words_, apartHigh_.size() <= 16, factorsInRange_);
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
  size_t end = 0;
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
    // weigh more than `negligible` each, and are left out. Each test fails
    // from some father on, so both do from the later of the two.
    int leaning = 0;
    for (size_t w = 0; w < words_; ++w) leaning += Swar::count(m[w] | m[words_ + w]);
    const double reachable = mothers.lods[i] + rest_ + opposite_ * leaning;
    const double smallest = negligible / mothers.ratios[i];
    end = firstFailing(fathers.count, end, [&](size_t j) {
      return reachable + fathers.lods[j] >= threshold || fathers.ratios[j] >= smallest;
    });
    row.mother = m;
    row.end = end;
    double lanes[kLanes];
    const size_t found = kernel(row, lanes, hits_.data());
    for (size_t k = 0; k < found; ++k) {
      const PairHit& hit = hits_[k];
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
