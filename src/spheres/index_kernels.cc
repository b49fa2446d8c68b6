#include "spheres/index_kernels.h"

#include <cstring>

#include "util/cpu_features.h"

// Performance-critical: measure changes with scripts/bench.sh and bench/
// (the hatchery workloads spend most of their time here).

namespace {

// Loci a group of parents goes through before one parent left ends its scan.
constexpr size_t kLociBeforeOneLeft = 32;

// Vectors GCC and clang lower to what the target has: two words (one SSE2
// register) in the portable kernel, four (one AVX2 register) or eight (one
// AVX-512 register) in the kernels chosen at run time. A wider group reads
// each locus's bitsets for more parents per step, and waits for its last
// parent to be out only a little longer.
typedef uint64_t PortableGroup __attribute__((vector_size(16)));
typedef uint64_t WideGroup __attribute__((vector_size(32)));
typedef uint64_t WidestGroup __attribute__((vector_size(64)));

// Loads through a reference: returning a vector wider than the baseline
// registers would change the calling convention between the clones.
template <typename WordGroup>
inline __attribute__((always_inline)) void orGroup(WordGroup& into, const uint64_t* words) {
  WordGroup group;
  std::memcpy(&group, words, sizeof group);
  into |= group;
}

// Whether every bit of the group is set: the lanes are folded in halves inside
// the register (taking them out one by one costs more than the rest of a
// locus's step). Taken by reference, like orGroup's vectors.
inline __attribute__((always_inline)) bool allSet(const PortableGroup& group) {
  return (group[0] & group[1]) == ~uint64_t{0};
}
inline __attribute__((always_inline)) bool allSet(const WideGroup& lanes) {
  WideGroup group = lanes & __builtin_shufflevector(lanes, lanes, 2, 3, 0, 1);
  group &= __builtin_shufflevector(group, group, 1, 0, 3, 2);
  return group[0] == ~uint64_t{0};
}
inline __attribute__((always_inline)) bool allSet(const WidestGroup& lanes) {
  WidestGroup group = lanes & __builtin_shufflevector(lanes, lanes, 4, 5, 6, 7, 0, 1, 2, 3);
  group &= __builtin_shufflevector(group, group, 2, 3, 0, 1, 6, 7, 4, 5);
  group &= __builtin_shufflevector(group, group, 1, 0, 3, 2, 5, 4, 7, 6);
  return group[0] == ~uint64_t{0};
}

// At a locus a parent adds to the near distance the gap between its nearest
// allele and the nearer offspring allele. The index gives, per word of 64
// parents, the sets whose gap is 0 (an offspring allele, or missing) and below
// 2 (or a value a unit away); their complements are gap >= 1 and gap >= 2.
// Summing those capped gaps in bit-sliced "sum >= t" counters bounds the near
// distance from below, so a parent whose bound passes R is out. Marks in `out`
// the parents still in, and lists the words holding any.
template <int R, typename WordGroup>
inline __attribute__((always_inline)) size_t markWithinBound(IndexLoci& loci, size_t firstWord,
                                                             size_t lastWord, uint64_t* out,
                                                             uint32_t* liveWords) {
  constexpr int kLevels = R == 0 ? 1 : 2;
  constexpr size_t kWords = sizeof(WordGroup) / sizeof(uint64_t);
  size_t live = 0;
  for (size_t w = firstWord; w < lastWord; w += kWords) {
    bool allOut = false;
    WordGroup atLeast[R + 2] = {};  // atLeast[t]: bound on the near distance >= t
    atLeast[0] = ~atLeast[0];
    // Kept in registers: only more() changes them.
    const IndexLocus* sets = loci.sets;
    size_t ready = loci.ready;
    for (size_t a = 0;; ++a) {
      if (a == ready) {
        if (ready == loci.total) break;
        loci.more(loci);
        ready = loci.ready;
        if (a == ready) break;  // the loci left add nothing
      }
      const IndexLocus& entry = sets[a];
      WordGroup near = {};
      orGroup(near, entry.exact[0] + w);
      orGroup(near, entry.exact[1] + w);
      WordGroup gapAtLeast[3];
      gapAtLeast[1] = ~near;
      if (kLevels > 1) {
        WordGroup around = {};
        orGroup(around, entry.around[0] + w);
        orGroup(around, entry.around[1] + w);
        gapAtLeast[2] = ~around;
      }
      for (int t = R + 1; t > 0; --t) {
        WordGroup reached = atLeast[t];
        for (int gap = 1; gap <= kLevels && gap <= t; ++gap) {
          reached |= atLeast[t - gap] & gapAtLeast[gap];
        }
        atLeast[t] = reached;
      }
      // Once every parent of the group is out, the other loci cannot matter.
      // On a long panel, once at most one is left its exact distance costs
      // less than the remaining loci: a group holding an offspring's true
      // parent would otherwise go through every locus. (On a short one, the
      // exact distance's scattered reads cost more than the loci left.)
      if (allSet(atLeast[R + 1])) {
        allOut = true;
        break;
      }
      if (a < kLociBeforeOneLeft) continue;
      int left = 0;
      for (size_t i = 0; i < kWords; ++i) left += __builtin_popcountll(~atLeast[R + 1][i]);
      if (left == 1) break;
    }
    if (allOut) continue;  // most groups: nothing to write
    const WordGroup in = ~atLeast[R + 1];
    std::memcpy(out + w, &in, sizeof in);
    for (size_t i = 0; i < kWords; ++i) {
      liveWords[live] = static_cast<uint32_t>(w + i);
      live += in[i] != 0 ? 1 : 0;
    }
  }
  return live;
}

// Turns the run-time radius into the template argument (the counters are
// unrolled per radius). A macro rather than a helper template: the switch is
// written out inside each kernel's own body, so the AVX2 instantiations are
// compiled only within the target("avx2") function and no out-of-line helper
// built for the baseline processor ever handles the wide vectors, whatever
// the inliner decides.
#define PARENTSPHERE_MARK_WITHIN_RADIUS(Group)                                         \
  switch (radius) {                                                                    \
    case 0: return markWithinBound<0, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 1: return markWithinBound<1, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 2: return markWithinBound<2, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 3: return markWithinBound<3, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 4: return markWithinBound<4, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 5: return markWithinBound<5, Group>(loci, firstWord, lastWord, out, liveWords);  \
    case 6: return markWithinBound<6, Group>(loci, firstWord, lastWord, out, liveWords);  \
    default:                                                                           \
      return markWithinBound<kMaxIndexedRadius, Group>(loci, firstWord, lastWord, out, liveWords); \
  }

size_t markWithinRadiusPortable(int32_t radius, IndexLoci& loci, size_t firstWord,
                                size_t lastWord, uint64_t* out, uint32_t* liveWords) {
  PARENTSPHERE_MARK_WITHIN_RADIUS(PortableGroup)
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
__attribute__((target("avx2,popcnt"))) size_t markWithinRadiusAvx2(int32_t radius,
                                                                   IndexLoci& loci,
                                                                   size_t firstWord,
                                                                   size_t lastWord, uint64_t* out,
                                                                   uint32_t* liveWords) {
  PARENTSPHERE_MARK_WITHIN_RADIUS(WideGroup)
}

__attribute__((target("avx512f,popcnt"))) size_t markWithinRadiusAvx512(int32_t radius,
                                                                        IndexLoci& loci,
                                                                        size_t firstWord,
                                                                        size_t lastWord,
                                                                        uint64_t* out,
                                                                        uint32_t* liveWords) {
  PARENTSPHERE_MARK_WITHIN_RADIUS(WidestGroup)
}
#endif

}  // namespace

size_t markWithinRadius(int32_t radius, IndexLoci& loci, size_t firstWord, size_t lastWord,
                        uint64_t* out, uint32_t* liveWords) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  switch (activeKernel()) {
    case KernelKind::Avx512:
      return markWithinRadiusAvx512(radius, loci, firstWord, lastWord, out, liveWords);
    case KernelKind::Avx2:
      return markWithinRadiusAvx2(radius, loci, firstWord, lastWord, out, liveWords);
    default:
      break;
  }
#endif
  return markWithinRadiusPortable(radius, loci, firstWord, lastWord, out, liveWords);
}
