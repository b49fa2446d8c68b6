#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/genotype_tables.h"

// Which candidate parents an offspring's ranking scores: those with at most K
// loci (typed in both) where they share no allele with the offspring. Per
// locus and allele, a bitset of the parents that carry it or are untyped at
// that locus; a parent's mismatches are counted 64 parents at a time in
// bit-sliced counters, loci that exclude most parents first, and a block of
// words is left as soon as all its parents are past K.
// One typed offspring locus of a scope search: the parents that share its
// first allele (or are untyped there), those that share its second, and how
// many parents the two hold together.
struct ScopeProbe {
  const uint64_t* a;
  const uint64_t* b;
  int32_t sharers;
  int32_t locus;
};

class CarrierIndex {
 public:
  explicit CarrierIndex(const GenotypeTables& tables);

  // Replaces `rows` with the parent rows, ascending, with at most
  // `maxMismatches` mismatching loci. `offspring` holds 2 * loci alleles.
  void scope(const int* offspring, int32_t maxMismatches, std::vector<int32_t>& rows) const;

 private:
  static constexpr int64_t kDenseSlots = 4096;
  // Parents sharing an allele or untyped, per allele of one locus; the last
  // bitset holds the untyped parents alone (for alleles no parent carries).
  struct Locus {
    std::vector<int32_t> alleles;  // sorted
    std::vector<uint64_t> sharers;  // (alleles.size() + 1) bitsets of words_ words
    std::vector<int32_t> counts;    // parents in each bitset
    // allele - alleles.front() -> slot, for loci whose alleles span less than
    // kDenseSlots values (microsatellite sizes span a few hundred); empty for
    // wider ones, searched instead.
    std::vector<int32_t> slots;
  };
  // The bitset and its parent count for `allele` at `locus`.
  const uint64_t* sharersOf(const Locus& locus, int32_t allele, int32_t* count) const;
  // Appends the parents with at most `top` mismatches over probes_, for
  // limits past the vector kernels' (kernel_scope.cc).
  void scanWords(size_t top, std::vector<int32_t>& rows) const;

  int32_t loci_ = 0;
  int32_t missing_ = 0;
  size_t parents_ = 0;
  size_t words_ = 0;
  std::vector<Locus> index_;
  // Reused between offspring.
  mutable std::vector<ScopeProbe> probes_;
  mutable std::vector<ScopeProbe> sorted_;
  mutable std::vector<size_t> classEnds_;
  mutable std::vector<uint32_t> probeOrder_;
  // Classes of probes by their sharers' power of two (sharers < 2^63).
  static constexpr size_t kSharerClasses = 64;
  mutable std::vector<uint64_t> levels_;
};
