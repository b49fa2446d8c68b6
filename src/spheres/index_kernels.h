#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

// The allele index's scan kernel: per word of 64 parents, which parents can
// still be within the radius once each locus's lower bound is added.
// Performance-critical: measure changes with scripts/bench.sh and bench/.

// Per offspring locus, for each of its two alleles (the same twice when it is
// homozygous), the allele-index bitset of "gap 0" (the parents missing there or
// carrying the allele) and the one of "gap below 2" (or carrying a value a
// unit away).
struct IndexLocus {
  const uint64_t* exact[2];
  const uint64_t* around[2];
};

// The entries of an offspring's loci, most selective first, built as the
// kernel reaches them: most groups of parents are out after a few loci.
struct IndexLoci {
  const IndexLocus* sets;  // room for every locus is reserved: never moves
  size_t ready;            // entries built
  size_t total;            // at most this many: typed loci, lowered to `ready` once all are taken
  std::function<void(IndexLoci&)> more;  // builds more entries (ready grows, or total falls to it)
};

// The index is scanned a group of words at a time; bitsets are padded to whole
// groups of the widest kernel's kind (eight words, one AVX-512 register).
constexpr size_t kGroupWords = 8;
constexpr size_t kGroupBits = 64 * kGroupWords;

// The largest radius for which the allele index is used; above it the parents
// are scanned with an early exit.
constexpr int32_t kMaxIndexedRadius = 7;

// Sets in out[firstWord, lastWord) the parents whose lower bound on the near
// distance, summed over loci of `loci` (rarest first), is within `radius`
// (0..kMaxIndexedRadius): over all of them, or over the first ones once a
// group of parents has one left on a long panel, so the bits are a superset of
// the parents within the radius. Both word bounds are multiples of kGroupWords.
// Returns how many words hold a parent still in, listed in `liveWords` (room
// for every word) in ascending order; only those words of `out` are written.
// Runs the kind of kernel activeKernel() names (util/cpu_features.h).
size_t markWithinRadius(int32_t radius, IndexLoci& loci, size_t firstWord, size_t lastWord,
                        uint64_t* out, uint32_t* liveWords);
