#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A stable counting sort by a small key, for orders taken per offspring
// where a comparison sort's mispredicted branches would cost more than the
// pass over the keys. Sets `order` to the items 0 .. count - 1 by key(item),
// 0 to keys - 1 (items of one key in their own order), and ends[key] to
// where that key's items end in `order`.
template <typename Key>
void countingOrder(size_t count, size_t keys, Key key, std::vector<size_t>& ends,
                   std::vector<uint32_t>& order) {
  ends.assign(keys, 0);
  for (size_t item = 0; item < count; ++item) ++ends[key(item)];
  size_t start = 0;
  for (size_t& end : ends) {
    const size_t items = end;
    end = start;
    start += items;
  }
  order.resize(count);
  for (size_t item = 0; item < count; ++item) order[ends[key(item)]++] = static_cast<uint32_t>(item);
}
