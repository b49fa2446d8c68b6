// The Mendelian compatibility test of an offspring with a mother and a father.
#include <climits>
#include <random>

#include <gtest/gtest.h>

#include "reference/compatibility.h"
#include "test_support.h"

namespace {

struct TrioCase {
  const char* name;
  Loci son;
  int radiusNear;
  int radiusFar;
  Loci mother;
  Loci father;
  bool compatible;
};

bool compatible(const TrioCase& c) {
  Son son = makeSon(1, c.son, 0);
  son.radiusNear = c.radiusNear;
  son.radiusFar = c.radiusFar;
  return checkCompatibility(son, makeParent(5, c.mother), makeParent(2005, c.father));
}

TEST(CheckCompatibility, WorkedExamples) {
  MissingCode code(-99);
  const int MAX = INT32_MAX;
  const int MIN = INT32_MIN;
  const TrioCase cases[] = {
      {"first allele from the mother", {{100, 104}}, 0, 0, {{100, 102}}, {{104, 106}}, true},
      {"second allele from the mother", {{100, 104}}, 0, 0, {{104, 110}}, {{98, 100}}, true},
      {"104 in neither parent", {{100, 104}}, 0, 0, {{100, 102}}, {{100, 102}}, false},
      {"104 within 2 of 102", {{100, 104}}, 2, 2, {{100, 102}}, {{100, 102}}, true},
      {"both alleles from one parent", {{100, 104}}, 0, 0, {{100, 104}}, {{120, 130}}, false},
      {"homozygous offspring", {{100, 100}}, 0, 0, {{100, 120}}, {{130, 100}}, true},
      {"missing offspring allele", {{-99, 104}}, 0, 0, {{1, 2}}, {{104, 5}}, true},
      {"missing mother allele", {{150, 160}}, 0, 0, {{-99, 300}}, {{160, 7}}, true},
      {"missing everywhere", {{-99, -99}}, 0, 0, {{-99, -99}}, {{-99, -99}}, true},
      {"negative radii, identical", {{100, 104}}, -1, -1, {{100, 104}}, {{100, 104}}, false},
      {"negative radii, missing", {{-99, -99}}, -1, -1, {{-99, -99}}, {{-99, -99}}, false},
      {"second allele within radiusFar", {{100, 104}}, 0, 2, {{100, 110}}, {{102, 120}}, true},
      {"second allele must be exact", {{100, 104}}, 2, 0, {{100, 110}}, {{102, 120}}, false},
      {"first allele within radiusNear only", {{100, 104}}, 2, 0, {{98, 1}}, {{104, 1}}, true},
      {"first allele outside radiusFar", {{100, 104}}, 0, 2, {{98, 1}}, {{104, 1}}, false},
      {"zero loci", {}, -5, -5, {}, {}, true},
      {"first locus fails, second fine", {{100, 104}, {1, 2}}, 0, 0, {{100, 104}, {1, 2}},
       {{120, 130}, {1, 2}}, false},
      {"second locus fails", {{1, 2}, {100, 104}}, 0, 0, {{1, 2}, {100, 104}},
       {{1, 2}, {120, 130}}, false},
      {"both loci pass", {{1, 2}, {100, 104}}, 0, 0, {{2, 9}, {104, 9}}, {{1, 9}, {100, 9}},
       true},
      {"invalid marker is an ordinary allele", {{-100000, 100}}, 0, 0, {{-100000, 5}},
       {{100, 6}}, true},
      // Differences are exact: 2^32 - 1 apart is not "1 apart".
      {"extremes do not wrap", {{MAX, 100}}, 1, 1, {{MIN, MIN}}, {{100, 100}}, false},
      {"largest difference within the largest radius", {{MAX, 5}}, MAX, MAX, {{1, 1}}, {{5, 5}},
       true},
      {"difference past the largest radius", {{MAX, 5}}, MAX, MAX, {{-100000, -100000}},
       {{-100000, -100000}}, false},
      {"most negative allele", {{MIN, 5}}, 0, 0, {{MIN, 7}}, {{5, 5}}, true},
  };
  for (const TrioCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(compatible(c), c.compatible);
    TrioCase swapped = c;
    std::swap(swapped.mother, swapped.father);
    EXPECT_EQ(compatible(swapped), c.compatible) << "with the parents swapped";
  }
}

TEST(CheckCompatibility, ReadsOnlyTheOffspringsLoci) {
  MissingCode code(-99);
  // The parents carry a second, incompatible locus the offspring does not have.
  const Son son = makeSon(1, {{100, 104}}, 0);
  EXPECT_TRUE(checkCompatibility(son, makeParent(5, {{100, 1}, {7, 7}}),
                                 makeParent(2005, {{104, 1}, {9, 9}})));
}

TEST(CheckCompatibility, MissingCodeComesFromTheGlobal) {
  const Son son = makeSon(1, {{-99, 104}}, 0);
  const Progenitor mother = makeParent(5, {{1, 2}});
  const Progenitor father = makeParent(2005, {{104, 5}});
  {
    MissingCode code(-99);
    EXPECT_TRUE(checkCompatibility(son, mother, father));
  }
  {
    MissingCode code(0);
    EXPECT_FALSE(checkCompatibility(son, mother, father));
  }
}

// The eight conditions, written out as the test is defined.
bool referenceCompatible(const Loci& s, int rNear, int rFar, const Loci& m, const Loci& f,
                         int missing) {
  auto d = [&](long long x, long long y) -> long long {
    return (x == missing || y == missing) ? 0 : std::llabs(x - y);
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const int s1 = s[i].first, s2 = s[i].second;
    const int m1 = m[i].first, m2 = m[i].second, f1 = f[i].first, f2 = f[i].second;
    auto near = [&](int a) { return d(s1, a) <= rNear; };  // s1 ~ a
    auto far = [&](int a) { return d(s2, a) <= rFar; };    // s2 ~ a
    const bool conditions[8] = {
        near(m1) && far(f1), near(m1) && far(f2), near(m2) && far(f1), near(m2) && far(f2),
        far(m1) && near(f1), far(m1) && near(f2), far(m2) && near(f1), far(m2) && near(f2),
    };
    bool any = false;
    for (bool c : conditions) any = any || c;
    if (!any) return false;
  }
  return true;
}

TEST(CheckCompatibility, AgreesWithTheEightConditionsOnRandomTrios) {
  MissingCode code(-99);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> lociCount(0, 3);
  std::uniform_int_distribution<int> allele(0, 6);  // 0 stands for the missing code
  std::uniform_int_distribution<int> radius(-1, 3);
  auto draw = [&]() {
    const int a = allele(rng);
    return a == 0 ? -99 : 100 + a;
  };
  int compatibleSeen = 0;
  const int trials = 30000;
  for (int n = 0; n < trials; ++n) {
    const int count = lociCount(rng);
    Loci s, m, f;
    for (int i = 0; i < count; ++i) {
      s.push_back({draw(), draw()});
      m.push_back({draw(), draw()});
      f.push_back({draw(), draw()});
    }
    const int rNear = radius(rng);
    const int rFar = radius(rng);
    const bool expected = referenceCompatible(s, rNear, rFar, m, f, -99);
    Son son = makeSon(1, s, 0);
    son.radiusNear = rNear;
    son.radiusFar = rFar;
    ASSERT_EQ(checkCompatibility(son, makeParent(1, m), makeParent(2000, f)), expected)
        << "trio " << n;
    ASSERT_EQ(checkCompatibility(son, makeParent(1, f), makeParent(2000, m)), expected)
        << "trio " << n << " with the parents swapped";
    compatibleSeen += expected ? 1 : 0;
  }
  // Both answers must be well represented for the comparison to mean anything.
  EXPECT_GT(compatibleSeen, trials / 10);
  EXPECT_LT(compatibleSeen, trials * 9 / 10);
}

}  // namespace
