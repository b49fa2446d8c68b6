#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/carrier_index.h"

// The vector kernels of the scope search: bit-sliced mismatch counters over a
// group of words of parents at a time (four words, or eight with AVX-512),
// the group left as soon as all its parents are past the limit.

// The largest limit the kernels take; CarrierIndex counts larger ones itself.
constexpr size_t kMaxKernelLimit = 7;
// The parents' bitsets hold a multiple of this many words.
constexpr size_t kScopeGroupWords = 8;

// Appends, ascending, the parents (rows 0 .. parents - 1, in `words` words, a
// multiple of kScopeGroupWords) that are in neither bitset of at most `limit`
// (<= kMaxKernelLimit) of the `count` probes. Runs the kind of kernel
// activeScanKernel() names, or the portable one under useOnlyPortableKernels.
void scopeWithin(const ScopeProbe* probes, size_t count, size_t words, size_t parents,
                 size_t limit, std::vector<int32_t>& rows);
