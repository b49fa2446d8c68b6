// The candidates' sort by falling LOD: the radix path and the comparison
// path must give the comparison's order, ties and signed zeros included.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "ranking/falling_lod_order.h"

namespace {

struct Item {
  int32_t row;
  double lod;
  int32_t slot;
};

bool before(const Item& x, const Item& y) {
  return x.lod > y.lod || (x.lod == y.lod && x.row < y.row);
}

TEST(FallingLodOrder, GivesTheComparisonOrder) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    size_t count;
    bool rowsRise;
    std::vector<double> values;  // LODs drawn from these; empty: any in [-40, 30)
  } cases[] = {
      {"few, comparison path", 10, true, {}},
      {"many, radix path", 300, true, {}},
      {"many ties", 200, true, {1.5, -2.0, 0.0, 7.25}},
      {"signed zeros tie", 100, true, {0.0, -0.0}},
      {"LODs apart in their last bits only", 200, true,
       {1.0, 1.0 + 1e-12, 1.0 + 2e-12, 1.0 - 1e-12, -5.0, -5.0 - 1e-13}},
      {"infinities", 100, true, {-inf, inf, -1e300, 1e-300, -1e-300, 3.0}},
      {"rows out of order", 150, false, {1.0, 2.0, -3.0}},
  };
  std::mt19937_64 random(7);
  FallingLodOrder<Item> order;
  for (const auto& c : cases) {
    for (int round = 0; round < 20; ++round) {
      std::vector<Item> items;
      for (size_t i = 0; i < c.count; ++i) {
        const double lod =
            c.values.empty()
                ? std::uniform_real_distribution<double>(-40.0, 30.0)(random)
                : c.values[std::uniform_int_distribution<size_t>(0, c.values.size() - 1)(random)];
        items.push_back({static_cast<int32_t>(3 * i + 1), lod, static_cast<int32_t>(i)});
      }
      if (!c.rowsRise) std::shuffle(items.begin(), items.end(), random);
      std::vector<Item> expected = items;
      std::sort(expected.begin(), expected.end(), before);
      order.sort(items, before);
      ASSERT_EQ(items.size(), expected.size()) << c.name;
      for (size_t i = 0; i < items.size(); ++i) {
        ASSERT_EQ(items[i].row, expected[i].row) << c.name << ", place " << i;
        ASSERT_EQ(items[i].slot, expected[i].slot) << c.name << ", place " << i;
      }
    }
  }
}

}  // namespace
