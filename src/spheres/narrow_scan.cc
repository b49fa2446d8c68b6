#include "spheres/narrow_scan.h"

#include <algorithm>
#include <climits>

#include "util/cpu_features.h"

namespace {

// Alleles within this distance of their locus's smallest one keep every
// difference with an offspring allele in the same range inside 16 bits.
constexpr int64_t kNarrowSpan = 1 << 14;
constexpr int32_t kBlock = NarrowPanel::kBlock;

inline int16_t gap16(int16_t a, int16_t b) {
  const auto d = static_cast<int16_t>(a - b);
  return std::max(d, static_cast<int16_t>(-d));
}

// Sixteen-bit lanes, a block of parents at a time, each locus term capped at
// radius + 1: the capped sum is within the radius exactly when the near
// distance over those loci is, and it cannot overflow. Written as plain loops
// over the block, which GCC and clang vectorize for whatever target the
// calling clone is compiled for.
inline __attribute__((always_inline)) void markBlocks(const NarrowPanel::Locus* loci,
                                                      size_t count, int32_t radius,
                                                      int32_t first, int32_t last,
                                                      uint64_t* masks) {
  const auto cap = static_cast<int16_t>(radius + 1);
  const auto limit = static_cast<int16_t>(radius);
  const int32_t firstStart = first - first % kBlock;
  for (int32_t start = firstStart; start < last; start += kBlock) {
    const int32_t begin = std::max(first - start, 0);
    const int32_t end = std::min(kBlock, last - start);
    alignas(64) int16_t nearSum[kBlock];
    for (int32_t j = 0; j < kBlock; ++j) nearSum[j] = j >= begin && j < end ? 0 : cap;
    bool anyIn = true;
    for (size_t a = 0; a < count && anyIn; ++a) {
      const NarrowPanel::Locus& locus = loci[a];
      const int16_t s1 = locus.s1;
      const int16_t s2 = locus.s2;
      const int16_t* low = locus.low + start;
      const int16_t* high = locus.high + start;
      const int16_t* keep = locus.keep + start;
      int16_t closest = INT16_MAX;
      for (int32_t j = 0; j < kBlock; ++j) {
        const auto d1 = std::min(gap16(s1, low[j]), gap16(s1, high[j]));
        const auto d2 = std::min(gap16(s2, low[j]), gap16(s2, high[j]));
        const auto term = static_cast<int16_t>(std::min(std::min(d1, d2), cap) & keep[j]);
        nearSum[j] = static_cast<int16_t>(nearSum[j] + term);
        closest = std::min(closest, nearSum[j]);
      }
      anyIn = closest <= limit;
    }
    uint64_t in = 0;
    if (anyIn) {
      for (int32_t j = begin; j < end; ++j) {
        in |= static_cast<uint64_t>(nearSum[j] <= limit) << j;
      }
    }
    masks[(start - firstStart) / kBlock] = in;
  }
}

using MarkFunction = void (*)(const NarrowPanel::Locus*, size_t, int32_t, int32_t, int32_t,
                              uint64_t*);

void markPortable(const NarrowPanel::Locus* loci, size_t count, int32_t radius, int32_t first,
                  int32_t last, uint64_t* masks) {
  markBlocks(loci, count, radius, first, last, masks);
}

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
__attribute__((target("avx2"))) void markAvx2(const NarrowPanel::Locus* loci, size_t count,
                                              int32_t radius, int32_t first, int32_t last,
                                              uint64_t* masks) {
  markBlocks(loci, count, radius, first, last, masks);
}

__attribute__((target("avx512f,avx512bw"))) void markAvx512(const NarrowPanel::Locus* loci,
                                                            size_t count, int32_t radius,
                                                            int32_t first, int32_t last,
                                                            uint64_t* masks) {
  markBlocks(loci, count, radius, first, last, masks);
}
#endif

MarkFunction kernelFunction(KernelKind kind) {
  switch (kind) {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
    case KernelKind::Avx2:
      return markAvx2;
    case KernelKind::Avx512:
      return markAvx512;
#endif
    default:
      return markPortable;
  }
}

}  // namespace

NarrowPanel::NarrowPanel(const int32_t* pairs, const uint8_t* missing, size_t parents,
                         size_t loci)
    : stride_((parents + kBlock - 1) / kBlock * kBlock),
      base_(loci, 0),
      narrow_(loci, 0),
      low_(loci * stride_, 0),
      high_(loci * stride_, 0),
      keep_(loci * stride_, 0) {
  for (size_t k = 0; k < loci; ++k) {
    int64_t lowest = INT64_MAX;
    int64_t highest = INT64_MIN;
    for (size_t j = 0; j < parents; ++j) {
      if (missing[j * loci + k]) continue;
      lowest = std::min<int64_t>(lowest, pairs[2 * (j * loci + k)]);
      highest = std::max<int64_t>(highest, pairs[2 * (j * loci + k) + 1]);
    }
    // A locus no parent is typed at adds nothing: every lane stays at zero.
    if (lowest == INT64_MAX) lowest = highest = 0;
    if (highest - lowest >= kNarrowSpan) continue;
    base_[k] = static_cast<int32_t>(lowest);
    narrow_[k] = 1;
    for (size_t j = 0; j < parents; ++j) {
      if (missing[j * loci + k]) continue;
      low_[k * stride_ + j] = static_cast<int16_t>(pairs[2 * (j * loci + k)] - lowest);
      high_[k * stride_ + j] = static_cast<int16_t>(pairs[2 * (j * loci + k) + 1] - lowest);
      keep_[k * stride_ + j] = -1;
    }
  }
}

void NarrowPanel::addLocus(int32_t locus, int32_t low, int32_t high,
                           std::vector<Locus>& loci) const {
  const size_t k = static_cast<size_t>(locus);
  if (!narrow_[k]) return;
  const int64_t s1 = int64_t{low} - base_[k];
  const int64_t s2 = int64_t{high} - base_[k];
  if (s1 < -kNarrowSpan || s2 >= kNarrowSpan) return;
  const size_t at = k * stride_;
  loci.push_back({static_cast<int16_t>(s1), static_cast<int16_t>(s2), &low_[at], &high_[at],
                  &keep_[at]});
}

void NarrowPanel::mark(const std::vector<Locus>& loci, int32_t radius, int32_t first,
                       int32_t last, std::vector<uint64_t>& masks) const {
  if (first >= last) {
    masks.clear();
    return;
  }
  const int32_t firstStart = first - first % kBlock;
  masks.resize(static_cast<size_t>((last - firstStart + kBlock - 1) / kBlock));
  kernelFunction(activeKernel())(loci.data(), loci.size(), radius, first, last, masks.data());
}
