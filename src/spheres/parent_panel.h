#pragma once
#include <cstdint>
#include <vector>

#include "input/data.h"
#include "spheres/index_kernels.h"

// A candidate parent found inside (or partly inside) an offspring's sphere:
// its parents-table row and its near and far distance from the offspring, as
// Espacio::D1 gives them.
struct SphereHit {
  int32_t row;
  int32_t near;
  int32_t far;
};

// The parents table laid out for searching many offspring: alleles by locus,
// and for small radii an index of the parents carrying each allele, so most
// parents are ruled out by a few word operations instead of a distance.
// Layouts in parent_panel.cc, the index in allele_index.cc, its kernel in
// index_kernels.cc, the search in parent_search.cc.
class ParentPanel {
 public:
  // Precondition: `parents.nLoci` is set and every row holds at least
  // 2*nLoci + 1 values. `missing` is the missing-value code.
  ParentPanel(const Data& parents, int missing);

  // Appends to `hits`, in row order within [first, last), every parent whose
  // near distance from the offspring is within `radius` (the parents that can
  // enter an Included or SemiIncluded list). `offspring` holds 2*nLoci alleles.
  void findCandidates(const int32_t* offspring, int32_t radius, int32_t first, int32_t last,
                      std::vector<SphereHit>& hits) const;

  int32_t size() const { return parents_; }

  // Choose the index when it can rule parents out (a radius below the locus
  // count) and is cheap enough to keep.
  bool usesIndexFor(int32_t radius) const;

 private:
  // One locus of the index: the parents carrying each allele, as bitsets.
  struct LocusIndex {
    std::vector<int32_t> alleles;    // sorted distinct allele values
    std::vector<uint64_t> carriers;  // alleles.size() bitsets of words_ words
    std::vector<int32_t> counts;     // parents carrying each allele
    std::vector<int32_t> slots;      // allele - alleles.front() -> slot, or -1
  };

  // The offspring's typed loci, each allele pair in ascending order.
  struct ProbeLocus {
    int32_t locus;
    int32_t low;
    int32_t high;
  };
  struct Probe {
    std::vector<ProbeLocus> loci;
  };

  // Alleles within kNarrowSpan of the parents' smallest one keep every
  // difference inside 16 bits, so the scan can run in 16-bit lanes, kBlock
  // parents at a time.
  static constexpr int64_t kNarrowSpan = 1 << 14;
  static constexpr int32_t kBlock = 64;

  void buildIndex();
  // Valid until the next call: the probe is kept to reuse its memory.
  const Probe& probe(const int32_t* offspring) const;
  // The index's bitsets for each typed locus of `probe`, the loci whose
  // offspring alleles the fewest parents share first (kept in scratchSets_).
  const std::vector<IndexLocus>& indexSets(const Probe& probe) const;
  const uint64_t* carriersOf(int32_t locus, int32_t allele) const;
  int32_t carrierCount(int32_t locus, int32_t allele) const;
  int32_t alleleSlot(int32_t locus, int32_t allele) const;  // -1 when no parent has it
  // The distance of parent `row`, unless its near distance passes `limit`.
  bool nearEnough(const Probe& probe, int32_t row, int64_t limit, SphereHit* hit) const;
  void buildNarrowLayout() const;
  bool fitsNarrowScan(const Probe& probe, int32_t radius) const;
  void scanCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                      std::vector<SphereHit>& hits) const;
  void indexCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                       std::vector<SphereHit>& hits) const;

  int32_t parents_ = 0;
  int32_t loci_ = 0;
  int32_t missing_ = 0;
  size_t words_ = 0;
  // Alleles by parent, each locus as (low, high): pairs_[2 * (j * loci_ + k)].
  std::vector<int32_t> pairs_;
  std::vector<uint8_t> pairMissing_;  // either allele is the missing code
  int32_t lowAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k)]; }
  int32_t highAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k) + 1]; }
  // The same by locus in 16 bits, relative to narrowBase_, rows padded to
  // narrowStride_; empty when the alleles span too wide a range. Built on the
  // first scan.
  mutable bool narrowBuilt_ = false;
  mutable int32_t narrowBase_ = 0;
  mutable size_t narrowStride_ = 0;
  mutable std::vector<int16_t> narrowLow_;
  mutable std::vector<int16_t> narrowHigh_;
  mutable std::vector<int16_t> narrowKeep_;  // -1 where the parent is typed, else 0
  std::vector<LocusIndex> index_;      // empty when too large to keep
  std::vector<uint64_t> missingBits_;  // per locus: parents missing there
  std::vector<int32_t> missingCounts_;
  std::vector<uint64_t> noCarriers_;   // all-zero bitset for absent alleles
  // Reused between offspring so the search allocates nothing per offspring.
  mutable std::vector<IndexLocus> scratchSets_;
  mutable std::vector<uint64_t> scratchWithin_;
  mutable Probe scratchProbe_;
  mutable std::vector<uint64_t> scratchOrder_;
};
