// FitMasks, the compatibility test the program runs, against the record-level
// checkCompatibility on random trios: every (mother, father) pair of every
// offspring, one FitMasks reused across offspring as the engine reuses it.
#include <climits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reference/compatibility.h"
#include "families/fit_masks.h"
#include "test_support.h"

namespace {

// Alleles as a row holds them, and the same as a Loci for the records.
struct Genotype {
  std::vector<int32_t> row;
  Loci loci;
};

TEST(FitMasks, AgreesWithCheckCompatibility) {
  std::mt19937 rng(20261207);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  FitMasks masks;
  int compatiblePairs = 0;
  int pairs = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    // Past 64 and 128 loci the masks take several words.
    const int loci = pick(0, 4) == 0 ? pick(60, 140) : pick(1, 8);
    const bool huge = pick(0, 9) == 0;
    // The missing code too can sit at either end of the range.
    const int missingCodes[] = {-99, 0, INT_MIN, INT_MAX};
    const int missing = pick(0, 3) == 0 ? missingCodes[pick(0, 3)] : -99;
    auto allele = [&]() {
      const int roll = pick(0, 99);
      if (roll < 8) return missing;
      if (huge && roll < 25) return pick(0, 1) == 0 ? INT_MAX - pick(0, 2) : INT_MIN + pick(0, 2);
      if (huge && roll < 30) return pick(INT_MIN, INT_MAX);
      return 100 + 2 * pick(0, 3);
    };
    auto genotype = [&]() {
      Genotype g;
      for (int k = 0; k < loci; ++k) {
        const int a = allele();
        const int b = allele();
        g.row.push_back(a);
        g.row.push_back(b);
        g.loci.push_back({a, b});
      }
      return g;
    };
    const int radii[] = {-1, 0, 1, 2, 3, 5, INT_MAX, INT_MIN, 1 << 30};
    const int radiusNear = radii[pick(0, 8)];
    const int radiusFar = pick(0, 1) == 0 ? radiusNear : radii[pick(0, 8)];
    const Genotype offspring = genotype();
    std::vector<Genotype> candidates(static_cast<size_t>(pick(2, 8)));
    for (Genotype& c : candidates) c = genotype();

    masks.reset(offspring.row.data(), loci, radiusNear, radiusFar, missing);
    for (size_t c = 0; c < candidates.size(); ++c) {
      ASSERT_EQ(masks.add(candidates[c].row.data()), c);
    }
    Son son = makeSon(1, offspring.loci, radiusNear);
    son.radiusFar = radiusFar;
    for (size_t m = 0; m < candidates.size(); ++m) {
      for (size_t f = 0; f < candidates.size(); ++f) {
        const bool expected = checkCompatibility(son, makeParent(1, candidates[m].loci),
                                                 makeParent(2001, candidates[f].loci), missing);
        ASSERT_EQ(masks.compatible(m, f), expected)
            << "trial " << trial << ", mother " << m << ", father " << f << ", radii "
            << radiusNear << "/" << radiusFar << ", " << loci << " loci";
        compatiblePairs += expected ? 1 : 0;
        ++pairs;
      }
    }
  }
  // Both answers must occur often, or the comparison proves little.
  EXPECT_GT(compatiblePairs, pairs / 20);
  EXPECT_LT(compatiblePairs, pairs - pairs / 20);
}

}  // namespace
