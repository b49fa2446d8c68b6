#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Sorts candidates by falling LOD, ties by rising row. Items need `double lod`
// and an integer `row`; `before` is that order as a comparison (the ranker's
// ranksBefore), which the cases below the radix sort use. One per ranker: its
// buffers are reused between calls.
//
// Performance-critical: an SNP offspring's few hundred fathers are sorted
// once per ranking, and a comparison sort mispredicts about every other
// comparison on LODs. Candidates come from the scope in rising row order, so
// a stable sort on the LOD alone gives the same order: a radix sort on the
// LOD's bits without branches. Any other input, and LODs that
// are not numbers, take the comparison sort.
template <typename Item>
class FallingLodOrder {
 public:
  template <typename Before>
  void sort(std::vector<Item>& items, Before before);

 private:
  std::vector<Item> scratch_;
  std::vector<uint64_t> keys_;
  std::vector<uint64_t> keysTo_;
};

template <typename Item>
template <typename Before>
void FallingLodOrder<Item>::sort(std::vector<Item>& items, Before before) {
  const size_t n = items.size();
  bool rowsRise = true;
  bool numbers = true;
  for (size_t i = 0; i < n; ++i) {
    rowsRise = rowsRise && (i == 0 || items[i - 1].row < items[i].row);
    numbers = numbers && items[i].lod == items[i].lod;
  }
  // A handful sorts faster by comparisons.
  constexpr size_t kFewest = 32;
  if (n < kFewest || !rowsRise || !numbers) {
    std::sort(items.begin(), items.end(), before);
    return;
  }
  // The key rises as the LOD falls: the double's bits made to order as
  // unsigned integers (sign bit flipped, or all bits for negatives), then
  // inverted. -0.0 becomes +0.0 first, as the comparison treats them alike.
  std::vector<uint64_t>& keys = keys_;
  keys.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const double lod = items[i].lod + 0.0;
    uint64_t bits;
    std::memcpy(&bits, &lod, sizeof bits);
    bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
    keys[i] = ~bits;
  }
  std::vector<Item>& scratch = scratch_;
  std::vector<uint64_t>& keysTo = keysTo_;
  scratch.resize(n);
  keysTo.resize(n);
  // The upper half of the key by four passes: LODs that far apart are set
  // in order; those whose upper halves agree (rare, and equal LODs) are put
  // in order within their run by insertion, which keeps it stable.
  for (unsigned shift = 32; shift < 64; shift += 8) {
    size_t counts[257] = {};
    for (size_t i = 0; i < n; ++i) ++counts[((keys[i] >> shift) & 0xFF) + 1];
    if (counts[((keys[0] >> shift) & 0xFF) + 1] == n) continue;  // one digit: no move
    for (size_t d = 1; d < 257; ++d) counts[d] += counts[d - 1];
    for (size_t i = 0; i < n; ++i) {
      const size_t to = counts[(keys[i] >> shift) & 0xFF]++;
      scratch[to] = items[i];
      keysTo[to] = keys[i];
    }
    items.swap(scratch);
    keys.swap(keysTo);
  }
  for (size_t i = 1; i < n; ++i) {
    if (keys[i] >= keys[i - 1]) continue;
    const uint64_t key = keys[i];
    const Item item = items[i];
    size_t j = i;
    for (; j > 0 && keys[j - 1] > key; --j) {
      keys[j] = keys[j - 1];
      items[j] = items[j - 1];
    }
    keys[j] = key;
    items[j] = item;
  }
}
