#pragma once
#include <algorithm>
#include <vector>

// The heteroSum order of candidates (not the likelihood table of ranking/).
// Sorts `items` stably by `before` (a strict weak order): equal items keep
// their order, so candidates tied on heteroSum stay Included before
// SemiIncluded, each in table order. The rule of the engine and of
// Son::selectBestD3.
template <typename T, typename Before>
void rankStably(std::vector<T>& items, Before before) {
  // Short lists, the usual case, sort in place: stable_sort would allocate a
  // buffer for every offspring.
  constexpr size_t kInPlaceMost = 32;
  if (items.size() > kInPlaceMost) {
    std::stable_sort(items.begin(), items.end(), before);
    return;
  }
  for (size_t i = 1; i < items.size(); ++i) {
    T item = std::move(items[i]);
    size_t j = i;
    for (; j > 0 && before(item, items[j - 1]); --j) items[j] = std::move(items[j - 1]);
    items[j] = std::move(item);
  }
}
