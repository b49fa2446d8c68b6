#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The parents' alleles by locus in 16-bit lanes, for scanning wide radii a
// block of parents at a time. Each locus is stored relative to its own
// smallest allele, so one outlier allele (a typo such as 99999) only leaves its
// own locus out of the scan instead of every locus.
class NarrowPanel {
 public:
  static constexpr int32_t kBlock = 64;  // parents per block, one bit each in a mask

  // One typed offspring locus, ready for the kernel.
  struct Locus {
    int16_t s1;  // offspring alleles relative to the locus base
    int16_t s2;
    const int16_t* low;   // the parents' alleles at the locus, from row 0
    const int16_t* high;
    const int16_t* keep;  // -1 where the parent is typed, else 0
  };

  NarrowPanel() = default;
  // `pairs` holds (low, high) per parent and locus, row after row; `missing`
  // one flag per parent and locus (either allele is the missing code).
  NarrowPanel(const int32_t* pairs, const uint8_t* missing, size_t parents, size_t loci);

  // Appends the scan entry of offspring locus `locus` with alleles low <= high,
  // unless the locus or the alleles lie outside 16 bits; a locus left out only
  // makes the scan keep more parents for the exact check.
  void addLocus(int32_t locus, int32_t low, int32_t high, std::vector<Locus>& loci) const;

  // For every block in [first, last) of the parents, sets mask[block - first /
  // kBlock] to the parents of [first, last) whose near distance summed over
  // `loci` (each term capped at radius + 1) is within `radius`; a block is
  // dropped as soon as every parent in it is out. Precondition: 0 <= radius and
  // (radius + 1) * (loci.size() + 1) < 2^15. Masks hold a word per block touched.
  void mark(const std::vector<Locus>& loci, int32_t radius, int32_t first, int32_t last,
            std::vector<uint64_t>& masks) const;

 private:
  size_t stride_ = 0;            // parents rounded up to whole blocks
  std::vector<int32_t> base_;    // per locus: its smallest typed allele
  std::vector<uint8_t> narrow_;  // per locus: its alleles span less than 2^14
  std::vector<int16_t> low_;     // per locus, stride_ lanes
  std::vector<int16_t> high_;
  std::vector<int16_t> keep_;
};
