#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The exact (near, far) distance of a candidate parent, eight loci at a time
// where the processor has AVX2: the step after the allele index or the block
// scan, paid once per parent they let through.
// Performance-critical: measure changes with scripts/bench.sh and bench/.

// Alleles this far from zero keep every difference inside 32 bits.
constexpr int64_t kLaneValueLimit = int64_t{1} << 30;

// One offspring's alleles laid out for the kernel: per locus its alleles in
// ascending order and whether it is typed, in the order the kernel pairs them
// with a parent's (low, high) alleles, padded to whole blocks of eight loci.
class DistanceLanes {
 public:
  // Starts an offspring of `loci` loci. `usable` says whether the kernel may
  // take it: the processor has AVX2, the kernels are not limited to the
  // portable ones, and `panelFits` (the parents' alleles are within the lane
  // limit); set() clears it for an offspring allele outside the limit.
  void start(size_t loci, bool panelFits);
  // Locus k: typed with alleles first <= second, or not.
  void set(size_t k, bool isTyped, int32_t first, int32_t second) {
    // Two registers of (low, high) pairs split into lows and highs keep their
    // 128-bit halves apart, so a block's loci come out as 0 1 4 5 2 3 6 7.
    static constexpr uint8_t kLaneOfLocus[8] = {0, 1, 4, 5, 2, 3, 6, 7};
    const size_t at = (k & ~size_t{7}) | kLaneOfLocus[k & 7];
    low[at] = first;
    high[at] = second;
    typed[at] = isTyped ? -1 : 0;
    usable &= !isTyped || (first > -kLaneValueLimit && second < kLaneValueLimit);
  }

  std::vector<int32_t> low;
  std::vector<int32_t> high;
  std::vector<int32_t> typed;  // -1 where typed, 0 where missing or padding
  bool usable = false;
};

// Whether every value lies strictly within kLaneValueLimit of zero.
bool fitsLanes(const int32_t* values, size_t count);

// The near and far distance, summed over the loci both sides have typed, of
// the parent whose (low, high) allele pairs start at `pairs` (readable for
// whole blocks of eight loci; every value within the lane limit). Returns
// false as soon as the near sum passes `limit`.
bool laneDistance(const DistanceLanes& lanes, const int32_t* pairs, int32_t missing,
                  int64_t limit, int64_t* near, int64_t* far);
