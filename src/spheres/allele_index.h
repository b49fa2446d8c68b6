#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The allele index: per locus and allele value, bitsets of the parents at gap 0
// (missing there or carrying the value) and at gap below 2 (or carrying a value
// a unit away), so the search rules most parents out with a few word
// operations. Built once per parents table; read by every search thread.
class AlleleIndex {
 public:
  // One value of a locus, with the bitsets the kernel reads for an offspring
  // allele of that value (word offsets into sets()).
  // Small, so an offspring's lookups stay in cache.
  struct IndexedValue {
    uint32_t exact = 0;    // the parents missing at the locus or carrying the value
    uint32_t around = 0;   // the same, or carrying a value a unit away
    int32_t count = 0;     // parents carrying the value
    int32_t ordinal = -1;  // among the locus's alleles, when one of the first 64
  };

  // The parents' alleles as the build reads them: (low, high) per parent and
  // locus, row after row, and one flag per parent and locus (either allele is
  // the missing code).
  struct Panel {
    const int32_t* pairs;
    const uint8_t* missing;
    size_t parents;
    size_t loci;
    int32_t low(size_t j, size_t k) const { return pairs[2 * (j * loci + k)]; }
    int32_t high(size_t j, size_t k) const { return pairs[2 * (j * loci + k) + 1]; }
    bool isMissing(size_t j, size_t k) const { return missing[j * loci + k] != 0; }
  };

  AlleleIndex() = default;
  // Every bitset is `words` words. Stays empty when it would cost too much memory
  // (noisy data with thousands of distinct values): the search scans instead.
  AlleleIndex(const Panel& panel, size_t words);
  // Lookups point into the index's own storage: moved, never copied.
  AlleleIndex(AlleleIndex&&) = default;
  AlleleIndex& operator=(AlleleIndex&&) = default;
  AlleleIndex(const AlleleIndex&) = delete;
  AlleleIndex& operator=(const AlleleIndex&) = delete;

  bool empty() const { return index_.empty(); }
  // The bitsets the entries' offsets point into.
  const uint64_t* sets() const { return sets_.data(); }
  // Parents missing at `locus`.
  int32_t missingCount(int32_t locus) const { return missingCounts_[static_cast<size_t>(locus)]; }

  // The entry for `value` at `locus` (one with only the missing parents for a
  // value no parent has or is a unit away from).
  const IndexedValue& indexed(int32_t locus, int64_t value) const {
    const LocusLookup& lookup = lookups_[static_cast<size_t>(locus)];
    if (lookup.slots == nullptr) return searchIndexed(index_[static_cast<size_t>(locus)], value);
    const uint64_t at = static_cast<uint64_t>(value - lookup.first);  // below first: wraps past
    if (at >= lookup.span) return *lookup.absent;
    const int32_t slot = lookup.slots[at];
    return slot < 0 ? *lookup.absent : lookup.values[slot];
  }
  // Whether every parent is at gap 0 from an offspring with alleles of these
  // entries at `locus` (both alleles of a SNP, say): such a locus rules no one out.
  bool coversEveryone(int32_t locus, const IndexedValue& low, const IndexedValue& high) const {
    const uint64_t* covers = lookups_[static_cast<size_t>(locus)].covers;
    return covers != nullptr && low.ordinal >= 0 && high.ordinal >= 0 &&
           (covers[low.ordinal] >> high.ordinal & 1) != 0;
  }

 private:
  // One locus: the values parents carry and their neighbours.
  struct LocusIndex {
    std::vector<int64_t> keys;         // the values, ascending
    std::vector<IndexedValue> values;  // one per key
    int64_t first = 0;                 // the smallest key, when slots is filled
    std::vector<int32_t> slots;        // value - first -> position in values, or -1
    IndexedValue absent;               // any other value: no carrier, none near
    // Per allele ordinal a: the ordinals b for which a's exact set joined
    // with b's is every parent; empty when no pair is.
    std::vector<uint64_t> covers;
  };
  // What the search reads of a locus, all loci side by side.
  struct LocusLookup {
    int64_t first;
    uint64_t span;
    const int32_t* slots;  // null: search the keys
    const IndexedValue* values;
    const IndexedValue* absent;
    const uint64_t* covers;  // null when no pair covers every parent
  };

  // The build, locus by locus, in its phases: the keys and slot table of a
  // locus around the set of its missing parents; the gap-0 sets of its
  // carriers (returned in value order); the gap-below-2 sets; the pairs of
  // alleles that cover every parent.
  void layOutLocus(const Panel& panel, size_t k, std::vector<int64_t> keys, size_t& nextSet);
  std::vector<IndexedValue*> markCarriers(const Panel& panel, size_t k,
                                          const std::vector<int32_t>& values, size_t& nextSet);
  void joinNeighbours(size_t k, size_t& nextSet);
  void findCovers(size_t k, const std::vector<IndexedValue*>& alleles, int32_t parents);

  static const IndexedValue& searchIndexed(const LocusIndex& index, int64_t value);
  IndexedValue& mutableIndexed(int32_t locus, int64_t value);
  // Whether the union of two bitsets (word offsets) holds every parent.
  bool coversEveryParent(size_t first, size_t second, int32_t parents) const;

  size_t words_ = 0;
  std::vector<LocusIndex> index_;     // empty when too large to keep
  std::vector<LocusLookup> lookups_;  // one per locus of index_
  std::vector<uint64_t> sets_;        // the bitsets, words_ words each
  std::vector<int32_t> missingCounts_;
};
