#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

// The allele index's scan kernel: per word of 64 parents, which parents can
// still be within the radius once each locus's lower bound is added.
// Performance-critical: measure changes with scripts/bench.sh and bench/.

// Per offspring locus, the allele-index bitsets whose union is "gap 0" (the
// parents missing there and the carriers of either offspring allele) and the
// ones a unit away that extend it to "gap below 2".
struct IndexLocus {
  const uint64_t* near[3];
  const uint64_t* off[4];
  int nearCount = 0;
  int offCount = 0;
};

// The entries of an offspring's loci, most selective first, built as the
// kernel reaches them: most groups of parents are out after a few loci.
struct IndexLoci {
  const IndexLocus* sets;  // room for every locus is reserved: never moves
  size_t ready;            // entries built
  size_t total;            // typed loci of the offspring
  std::function<void(IndexLoci&)> more;  // builds more entries (ready grows)
};

// The index is scanned a group of words at a time; bitsets are padded to whole
// groups of the widest kernel's kind (four words, one AVX2 register).
constexpr size_t kGroupWords = 4;
constexpr size_t kGroupBits = 64 * kGroupWords;

// The largest radius for which the allele index is used; above it the parents
// are scanned with an early exit.
constexpr int32_t kMaxIndexedRadius = 7;

// Sets in out[firstWord, lastWord) the parents whose lower bound on the near
// distance, summed over loci of `loci` (rarest first), is within `radius`
// (0..kMaxIndexedRadius): over all of them, or over the first ones once a
// group of parents has one left on a long panel, so the bits are a superset of
// the parents within the radius. Both word bounds are multiples of kGroupWords.
// Runs the AVX2 kernel where the processor has it.
void markWithinRadius(int32_t radius, IndexLoci& loci, size_t firstWord, size_t lastWord,
                      uint64_t* out);

// The allele index runs a kernel built for AVX2 where the processor has it.
// Tests and benchmarks can switch to the portable kernel every build has.
void useOnlyPortableKernels(bool portable);
