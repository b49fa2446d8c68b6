#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "input/data.h"
#include "spheres/index_kernels.h"
#include "spheres/narrow_scan.h"

// A candidate parent found inside (or partly inside) an offspring's sphere:
// its parents-table row and its near and far distance from the offspring, as
// Espacio::D1 gives them.
struct SphereHit {
  int32_t row;
  int32_t near;
  int32_t far;
};

// An offspring's typed locus, its allele pair in ascending order.
struct ProbeLocus {
  int32_t locus;
  int32_t low;
  int32_t high;
};

// The parents table laid out for searching many offspring: alleles by locus,
// and for small radii an index of the parents carrying each allele, so most
// parents are ruled out by a few word operations instead of a distance.
// Layouts in parent_panel.cc, the index in allele_index.cc, its kernel in
// index_kernels.cc, the 16-bit scan in narrow_scan.cc, the search in
// parent_search.cc.
class ParentPanel {
 public:
  // Working memory of one search, reused from offspring to offspring. Threads
  // searching the same panel each need their own.
  struct Scratch;

  // Precondition: `parents.nLoci` is set and every row holds at least
  // 2*nLoci + 1 values. `missing` is the missing-value code.
  ParentPanel(const Data& parents, int missing);
  ~ParentPanel();

  // Appends to `hits`, in row order within [first, last), every parent whose
  // near distance from the offspring is within `radius` (the parents that can
  // enter an Included or SemiIncluded list). `offspring` holds 2*nLoci alleles.
  void findCandidates(const int32_t* offspring, int32_t radius, int32_t first, int32_t last,
                      std::vector<SphereHit>& hits, Scratch& scratch) const;
  // The same with the panel's own scratch: one thread at a time.
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

  using Probe = std::vector<ProbeLocus>;

  void buildIndex();
  // The offspring's typed loci, into the scratch's probe.
  const Probe& probe(const int32_t* offspring, Scratch& scratch) const;
  const uint64_t* carriersOf(int32_t locus, int32_t allele) const;
  int32_t carrierCount(int32_t locus, int32_t allele) const;
  int32_t alleleSlot(int32_t locus, int32_t allele) const;  // -1 when no parent has it
  // The distance of parent `row`, unless its near distance passes `limit`.
  bool nearEnough(const Probe& probe, int32_t row, int64_t limit, SphereHit* hit) const;
  const NarrowPanel& narrowPanel() const;
  void scanCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                      std::vector<SphereHit>& hits, Scratch& scratch) const;
  void indexCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                       std::vector<SphereHit>& hits, Scratch& scratch) const;
  // Orders more of the offspring's loci by selectivity (twice as many as so
  // far) and appends their index entries to the scratch's sets.
  void orderMoreLoci(const Probe& probe, bool withNeighbours, Scratch& scratch) const;

  int32_t parents_ = 0;
  int32_t loci_ = 0;
  int32_t missing_ = 0;
  size_t words_ = 0;
  // Alleles by parent, each locus as (low, high): pairs_[2 * (j * loci_ + k)].
  std::vector<int32_t> pairs_;
  std::vector<uint8_t> pairMissing_;  // either allele is the missing code
  int32_t lowAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k)]; }
  int32_t highAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k) + 1]; }
  // The same by locus in 16 bits for the scan of wide radii, built on the
  // first scan (searches that only use the index never need it).
  mutable std::once_flag narrowOnce_;
  mutable NarrowPanel narrow_;
  std::vector<LocusIndex> index_;      // empty when too large to keep
  std::vector<uint64_t> missingBits_;  // per locus: parents missing there
  std::vector<int32_t> missingCounts_;
  std::vector<uint64_t> noCarriers_;   // all-zero bitset for absent alleles
  mutable std::unique_ptr<Scratch> ownScratch_;  // for the overload without one
};

struct ParentPanel::Scratch {
  Probe probe;
  // Index search: loci keyed (parents sharing an offspring allele, probe
  // position), ordered as far as `ordered`; `sets` holds their entries.
  std::vector<uint64_t> order;
  size_t ordered = 0;
  std::vector<IndexLocus> sets;
  std::vector<uint64_t> within;
  // Block scan: the loci in 16 bits, and a mask per block of parents.
  std::vector<NarrowPanel::Locus> narrowLoci;
  std::vector<uint64_t> masks;
};
