#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "input/data.h"
#include "spheres/allele_index.h"
#include "spheres/exact_distance.h"
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
// Layouts in parent_panel.cc, the index is an AlleleIndex (allele_index.h)
// with its kernel in index_kernels.cc, the 16-bit scan in narrow_scan.cc, the
// exact distance in exact_distance.cc, the search in parent_search.cc.
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

  // Parent `row`'s alleles locus by locus, each pair as (low, high): 2*nLoci
  // values, the same as its table row up to the order within a locus. Read
  // soon after a search, a candidate's are still in cache.
  const int32_t* alleles(int32_t row) const {
    return &pairs_[static_cast<size_t>(row) * 2 * static_cast<size_t>(loci_)];
  }

  // Choose the index when it can rule parents out (a radius below the locus
  // count) and is cheap enough to keep.
  bool usesIndexFor(int32_t radius) const;

 private:
  // The typed loci of one offspring, a view of the scratch's room for every
  // locus (filled without growing a vector per locus).
  struct Probe {
    const ProbeLocus* first = nullptr;
    size_t count = 0;
    size_t size() const { return count; }
    const ProbeLocus& operator[](size_t at) const { return first[at]; }
    const ProbeLocus* begin() const { return first; }
    const ProbeLocus* end() const { return first + count; }
  };

  // The offspring's typed loci, into the scratch's probe.
  Probe probe(const int32_t* offspring, Scratch& scratch) const;
  // The distance of parent `row`, unless its near distance passes `limit`.
  // Eight loci at a time where the scratch's lanes allow it.
  bool nearEnough(const Probe& probe, const DistanceLanes& lanes, int32_t row, int64_t limit,
                  SphereHit* hit) const;
  const NarrowPanel& narrowPanel() const;
  void scanCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                      std::vector<SphereHit>& hits, Scratch& scratch) const;
  void indexCandidates(const Probe& probe, int32_t radius, int32_t first, int32_t last,
                       std::vector<SphereHit>& hits, Scratch& scratch) const;
  // Takes the next batch of the offspring's loci (as many as so far, at least
  // kFirstOrdered), orders it by selectivity and appends its index entries to
  // the scratch's sets.
  void orderMoreLoci(const Probe& probe, Scratch& scratch) const;

  int32_t parents_ = 0;
  int32_t loci_ = 0;
  int32_t missing_ = 0;
  size_t words_ = 0;
  // Alleles by parent, each locus as (low, high): pairs_[2 * (j * loci_ + k)],
  // then a block of zeros so the distance kernel may read whole blocks.
  std::vector<int32_t> pairs_;
  bool pairsFitLanes_ = false;  // every value within the distance kernel's limit
  std::vector<uint8_t> pairMissing_;  // either allele is the missing code
  int32_t lowAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k)]; }
  int32_t highAllele(size_t j, size_t k) const { return pairs_[2 * (j * loci_ + k) + 1]; }
  // The same by locus in 16 bits for the scan of wide radii, built on the
  // first scan (searches that only use the index never need it).
  mutable std::once_flag narrowOnce_;
  mutable NarrowPanel narrow_;
  AlleleIndex index_;  // empty when too large to keep
  mutable std::unique_ptr<Scratch> ownScratch_;  // for the overload without one
};

struct ParentPanel::Scratch {
  std::vector<ProbeLocus> probeRoom;  // one per locus of the panel
  // Index search: the probe loci looked at so far (`scanned`) give the first
  // `ready` entries of `sets`, in the order the kernel reads them; `order` and
  // `entries` hold the batch being ordered. Each has room for every locus.
  size_t scanned = 0;
  size_t ready = 0;
  std::vector<IndexLocus> sets;
  std::vector<uint64_t> order;
  std::vector<IndexLocus> entries;
  std::vector<uint64_t> within;
  std::vector<uint32_t> liveWords;  // the words of `within` the kernel marked
  std::vector<int32_t> survivors;   // the parents in those words, for their exact distance
  // Block scan: the loci in 16 bits, and a mask per block of parents.
  std::vector<NarrowPanel::Locus> narrowLoci;
  std::vector<uint64_t> masks;
  // The exact distance: the offspring laid out for its kernel.
  DistanceLanes lanes;
};
