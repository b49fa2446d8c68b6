// Family formation from the ranked candidates, and the counters over families.
#include <tuple>

#include <gtest/gtest.h>

#include "reference/counters.h"
#include "reference/matings.h"
#include "test_support.h"

namespace {

Progenitor inList(Progenitor p, bool semi, bool totalMatch = true) {
  p.included = !semi;
  p.semiIncluded = semi;
  p.totalMatch = totalMatch;
  return p;
}

// (son number, mother number, father number) of every family, in order.
std::vector<std::tuple<int, int, int>> trios(const std::vector<Family>& families) {
  std::vector<std::tuple<int, int, int>> out;
  for (const Family& f : families) out.emplace_back(f.son.number, f.mother.number, f.father.number);
  return out;
}

using Trios = std::vector<std::tuple<int, int, int>>;

TEST(Matings, EveryCompatiblePairingInRankOrder) {
  MissingCode code(-99);
  Son son = makeSon(1, {{100, 104}}, 0);
  // Stored against rank order, so only the ranking can give the expected order.
  son.motherIncluded = {inList(makeParent(12, {{100, 108}}), false),
                        inList(makeParent(11, {{100, 100}}), false)};
  son.fatherIncluded = {inList(makeParent(2002, {{104, 110}}), false)};
  son.fatherSemiIncluded = {inList(makeParent(2001, {{104, 104}}), true)};
  std::vector<Family> families;
  matings({son}, families);
  EXPECT_EQ(trios(families), (Trios{{1, 11, 2001}, {1, 11, 2002}, {1, 12, 2001}, {1, 12, 2002}}));
}

TEST(Matings, OnlyCompatiblePairingsBecomeFamilies) {
  MissingCode code(-99);
  Son son = makeSon(4, {{100, 104}}, 0);
  son.motherIncluded = {inList(makeParent(1, {{120, 120}}), false),   // rank 1, fits nothing
                        inList(makeParent(2, {{100, 102}}), false)};  // rank 2
  son.fatherIncluded = {inList(makeParent(2001, {{104, 104}}), false),   // rank 1
                        inList(makeParent(2002, {{130, 134}}), false)};  // rank 2
  std::vector<Family> families;
  matings({son}, families);
  EXPECT_EQ(trios(families), (Trios{{4, 2, 2001}}));
}

TEST(Matings, SemiIncludedMotherWithSmallerHeteroSumComesFirst) {
  MissingCode code(-99);
  Son son = makeSon(1, {{100, 104}}, 2);
  son.motherIncluded = {inList(makeParent(30, {{100, 106}}), false)};              // heteroSum 6
  son.motherSemiIncluded = {inList(makeParent(31, {{100, 98}}), true, false)};     // heteroSum 2
  son.fatherIncluded = {inList(makeParent(2001, {{104, 104}}), false)};
  std::vector<Family> families;
  matings({son}, families);
  EXPECT_EQ(trios(families), (Trios{{1, 31, 2001}, {1, 30, 2001}}));
  ASSERT_EQ(families.size(), 2u);
  // Candidate fields come along unchanged, with `assigned` added.
  EXPECT_TRUE(families[0].mother.semiIncluded);
  EXPECT_FALSE(families[0].mother.included);
  EXPECT_FALSE(families[0].mother.totalMatch);
  EXPECT_TRUE(families[1].mother.included);
  EXPECT_EQ(families[0].mother.heteroSum, 2);
}

TEST(Matings, OneSexMissingGivesNoFamily) {
  MissingCode code(-99);
  Son mothersOnly = makeSon(1, {{100, 104}}, 0);
  mothersOnly.motherIncluded = {inList(makeParent(1, {{100, 104}}), false)};
  Son fathersOnly = makeSon(2, {{100, 104}}, 0);
  fathersOnly.fatherSemiIncluded = {inList(makeParent(2001, {{100, 104}}), true)};
  Son none = makeSon(3, {{100, 104}}, 0);
  std::vector<Family> families;
  matings({mothersOnly, fathersOnly, none}, families);
  EXPECT_TRUE(families.empty());
  matings({}, families);
  EXPECT_TRUE(families.empty());
}

TEST(Matings, GroupedBySonInListOrder) {
  MissingCode code(-99);
  const Progenitor m1 = inList(makeParent(11, {{100, 100}}), false);
  const Progenitor m2 = inList(makeParent(12, {{100, 102}}), false);
  const Progenitor f1 = inList(makeParent(2001, {{104, 104}}), false);
  Son first = makeSon(1, {{100, 104}}, 0);
  first.motherIncluded = {m1, m2};
  first.fatherIncluded = {f1};
  Son second = makeSon(2, {{300, 302}}, 0);  // candidates, but no compatible pair
  second.motherIncluded = {m1};
  second.fatherIncluded = {f1};
  Son third = makeSon(3, {{102, 104}}, 0, true);
  third.motherIncluded = {m1, m2};
  third.fatherIncluded = {f1};

  std::vector<Family> families;
  Family earlier;
  earlier.son.number = 99;
  families.push_back(earlier);  // entries already there stay in front
  matings({first, second, third}, families);
  EXPECT_EQ(trios(families), (Trios{{99, 0, 0}, {1, 11, 2001}, {1, 12, 2001}, {3, 12, 2001}}));

  for (size_t i = 1; i < families.size(); ++i) {
    SCOPED_TRACE("family " + std::to_string(i));
    const Family& f = families[i];
    EXPECT_TRUE(f.mother.assigned);
    EXPECT_TRUE(f.father.assigned);
    EXPECT_TRUE(f.isAssigned("madre") && f.isAssigned("padre"));
    // The offspring is copied whole, and its own lists never carry the marks.
    const Son& original = f.son.number == 1 ? first : third;
    EXPECT_EQ(f.son.hasMissing, original.hasMissing);
    EXPECT_EQ(f.son.genotype.size(), 1u);
    EXPECT_EQ(f.son.genotype[0].allele1, original.genotype[0].allele1);
    EXPECT_EQ(numbersOf(f.son.motherIncluded), numbersOf(original.motherIncluded));
    for (const Progenitor& p : f.son.motherIncluded) EXPECT_FALSE(p.assigned);
    for (const Progenitor& p : f.son.fatherIncluded) EXPECT_FALSE(p.assigned);
  }
}

Family familyOf(int sonNumber) {
  Family f;
  f.son.number = sonNumber;
  return f;
}

TEST(Counters, MaxindexhijosOfSons) {
  EXPECT_EQ(maxindexhijos(std::vector<Son>{}), 0);
  std::vector<Son> sons;
  for (int n = 1; n <= 5; ++n) sons.push_back(makeSon(n, {}, 0));
  EXPECT_EQ(maxindexhijos(sons), 5);
  sons.push_back(makeSon(2, {}, 0));
  EXPECT_EQ(maxindexhijos(sons), 2);  // the last, not the largest
}

TEST(Counters, FamilyCounters) {
  struct Case {
    std::vector<int> sonNumbers;
    int maxindex;
    int distinct;
  };
  const Case cases[] = {
      {{}, 0, 0},           {{7}, 7, 1},         {{1, 1, 3}, 3, 2},       {{2, 3, 2}, 2, 3},
      {{4, 4, 4, 4}, 4, 1}, {{2, 5}, 5, 2},      {{1, 2, 2, 3, 3, 3}, 3, 3},
  };
  for (const Case& c : cases) {
    std::string name = "sons";
    std::vector<Family> families;
    for (int n : c.sonNumbers) {
      families.push_back(familyOf(n));
      name += " " + std::to_string(n);
    }
    SCOPED_TRACE(name);
    EXPECT_EQ(maxindexhijos(families), c.maxindex);
    EXPECT_EQ(cuentahijos(families), c.distinct);
  }
}

}  // namespace
