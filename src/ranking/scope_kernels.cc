#include "ranking/scope_kernels.h"

#include <cstring>

#include "spheres/index_kernels.h"
#include "spheres/narrow_scan.h"

// Performance-critical: the SNP table workloads of scripts/bench.sh spend a
// good part of their scope search here.

namespace {

// Four words (two SSE2 registers, one AVX2 register) or eight (one AVX-512
// register). A wider group reads each locus's bitsets for more parents per
// step but waits longer for its last parent to pass the limit.
typedef uint64_t FourWords __attribute__((vector_size(32)));
typedef uint64_t EightWords __attribute__((vector_size(64)));

// Whether no bit of the group is set, the lanes folded inside the register.
// Taken by reference: a vector wider than the baseline registers passed by
// value would change the calling convention between the clones.
inline __attribute__((always_inline)) bool noneSet(const FourWords& lanes) {
  FourWords group = lanes | __builtin_shufflevector(lanes, lanes, 2, 3, 0, 1);
  group |= __builtin_shufflevector(group, group, 1, 0, 3, 2);
  return group[0] == 0;
}
inline __attribute__((always_inline)) bool noneSet(const EightWords& lanes) {
  EightWords group = lanes | __builtin_shufflevector(lanes, lanes, 4, 5, 6, 7, 0, 1, 2, 3);
  group |= __builtin_shufflevector(group, group, 2, 3, 0, 1, 6, 7, 4, 5);
  group |= __builtin_shufflevector(group, group, 1, 0, 3, 2, 5, 4, 7, 6);
  return group[0] == 0;
}

// levels[i]: the parents of the group with more than i mismatches so far; a
// locus where a parent is in neither bitset moves it up one level. Parents
// never past levels[Limit] are in scope.
template <int Limit, typename Group>
inline __attribute__((always_inline)) void scanGroups(const ScopeProbe* probes, size_t count,
                                                      size_t words, size_t parents,
                                                      std::vector<int32_t>& rows) {
  constexpr size_t kWords = sizeof(Group) / sizeof(uint64_t);
  for (size_t w = 0; w < words; w += kWords) {
    Group present;
    for (size_t l = 0; l < kWords; ++l) {
      const size_t first = (w + l) * 64;
      const size_t left = first >= parents ? 0 : parents - first;
      present[l] = left >= 64 ? ~uint64_t{0} : (uint64_t{1} << left) - 1;
    }
    Group levels[Limit + 1];
    for (int i = 0; i <= Limit; ++i) levels[i] = Group{};
    for (size_t p = 0; p < count; ++p) {
      Group a;
      Group b;
      std::memcpy(&a, probes[p].a + w, sizeof a);
      std::memcpy(&b, probes[p].b + w, sizeof b);
      const Group miss = ~(a | b);
      for (int i = Limit; i > 0; --i) levels[i] |= levels[i - 1] & miss;
      levels[0] |= miss;
      const Group open = present & ~levels[Limit];
      if (noneSet(open)) break;
    }
    const Group keep = present & ~levels[Limit];
    for (size_t l = 0; l < kWords; ++l) {
      for (uint64_t bits = keep[l]; bits != 0; bits &= bits - 1) {
        rows.push_back(static_cast<int32_t>((w + l) * 64 + static_cast<size_t>(__builtin_ctzll(bits))));
      }
    }
  }
}

// The limit as a template argument (the counters then live in registers),
// written out inside each kernel's own body so the wide instantiations are
// compiled only within their target functions.
#define PARENTSPHERE_SCOPE_WITHIN(Group)                                              \
  switch (limit) {                                                                    \
    case 0: return scanGroups<0, Group>(probes, count, words, parents, rows);         \
    case 1: return scanGroups<1, Group>(probes, count, words, parents, rows);         \
    case 2: return scanGroups<2, Group>(probes, count, words, parents, rows);         \
    case 3: return scanGroups<3, Group>(probes, count, words, parents, rows);         \
    case 4: return scanGroups<4, Group>(probes, count, words, parents, rows);         \
    case 5: return scanGroups<5, Group>(probes, count, words, parents, rows);         \
    case 6: return scanGroups<6, Group>(probes, count, words, parents, rows);         \
    default: return scanGroups<7, Group>(probes, count, words, parents, rows);        \
  }
static_assert(kMaxKernelLimit == 7, "the switch covers every limit up to kMaxKernelLimit");

void scopePortable(const ScopeProbe* probes, size_t count, size_t words, size_t parents,
                   size_t limit, std::vector<int32_t>& rows) {
  PARENTSPHERE_SCOPE_WITHIN(FourWords)
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
__attribute__((target("avx2"))) void scopeAvx2(const ScopeProbe* probes, size_t count,
                                               size_t words, size_t parents, size_t limit,
                                               std::vector<int32_t>& rows) {
  PARENTSPHERE_SCOPE_WITHIN(FourWords)
}

__attribute__((target("avx512f"))) void scopeAvx512(const ScopeProbe* probes, size_t count,
                                                    size_t words, size_t parents, size_t limit,
                                                    std::vector<int32_t>& rows) {
  PARENTSPHERE_SCOPE_WITHIN(EightWords)
}
#endif

}  // namespace

void scopeWithin(const ScopeProbe* probes, size_t count, size_t words, size_t parents,
                 size_t limit, std::vector<int32_t>& rows) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  if (!onlyPortableKernels()) {
    switch (activeScanKernel()) {
      case ScanKernel::Avx512:
        return scopeAvx512(probes, count, words, parents, limit, rows);
      case ScanKernel::Avx2:
        return scopeAvx2(probes, count, words, parents, limit, rows);
      default:
        break;
    }
  }
#endif
  return scopePortable(probes, count, words, parents, limit, rows);
}
