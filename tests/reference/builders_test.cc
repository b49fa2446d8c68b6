// Table rows turned into records, and the value semantics of the records.
#include <climits>

#include <gtest/gtest.h>

#include "reference/builders.h"
#include "input/data.h"
#include "reference/family.h"
#include "test_support.h"

namespace {

Data tableOf(const std::string& text, int nLoci) {
  Data data = Data::fromText(text, -99, "#");
  data.nLoci = nLoci;
  return data;
}

void expectGenotype(const std::vector<Par>& genotype, const Loci& expected) {
  ASSERT_EQ(genotype.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE("locus " + std::to_string(k));
    EXPECT_EQ(genotype[k].allele1, expected[k].first);
    EXPECT_EQ(genotype[k].allele2, expected[k].second);
    EXPECT_FALSE(genotype[k].mark1 || genotype[k].mark2 || genotype[k].mark3);
  }
}

TEST(GenerateSon, BuildsGenotypeAndBuilderValues) {
  // -99 in the row: the builder still leaves hasMissing to the sphere search.
  const Data sons = tableOf("101 103 115 117\n-99 120 5 5\n", 2);
  const Son son = generateSon(sons, 0);
  expectGenotype(son.genotype, {{101, 103}, {115, 117}});
  EXPECT_EQ(son.heteroSum, 4);
  EXPECT_FALSE(son.hasMissing);
  EXPECT_EQ(son.radiusNear, 0);
  EXPECT_EQ(son.radiusFar, 0);
  EXPECT_FALSE(son.flagA || son.flagB || son.flagC);
  EXPECT_TRUE(son.motherIncluded.empty() && son.motherSemiIncluded.empty() &&
              son.fatherIncluded.empty() && son.fatherSemiIncluded.empty());

  const Son second = generateSon(sons, 1);
  expectGenotype(second.genotype, {{-99, 120}, {5, 5}});
  EXPECT_EQ(second.heteroSum, 219);
  EXPECT_FALSE(second.hasMissing);
}

TEST(GenerateSon, ExtraValuesAreIgnored) {
  const Data sons = tableOf("101 103 115 117 9 9 9\n", 2);
  const Son son = generateSon(sons, 0);
  expectGenotype(son.genotype, {{101, 103}, {115, 117}});
  EXPECT_EQ(son.heteroSum, 4);
}

TEST(GenerateParent, IdentifierFollowsTheAlleles) {
  const Data parents =
      tableOf("101 103 115 117 1005\n101 103 115 117 2000\n101 103 115 117 1999 3000 7\n", 2);
  const int expectedNumbers[] = {1005, 2000, 1999};
  for (int j = 0; j < 3; ++j) {
    SCOPED_TRACE("row " + std::to_string(j));
    const Progenitor p = generateParent(parents, j);
    expectGenotype(p.genotype, {{101, 103}, {115, 117}});
    EXPECT_EQ(p.heteroSum, 4);
    EXPECT_EQ(p.number, expectedNumbers[j]);
    EXPECT_FALSE(p.hasMissing || p.included || p.semiIncluded || p.flagF || p.assigned ||
                 p.totalMatch || p.flagA || p.flagB || p.flagC);
    EXPECT_EQ(p.radiusNear, 0);
    EXPECT_EQ(p.radiusFar, 0);
    EXPECT_EQ(p.valueC, 0);
  }
}

TEST(GenerateParent, TwoCallsGiveEqualIndependentRecords) {
  const Data parents = tableOf("120 124 88 90 1001\n", 2);
  Progenitor first = generateParent(parents, 0);
  const Progenitor second = generateParent(parents, 0);
  first.genotype[0].allele1 = 1;
  first.assigned = true;
  EXPECT_EQ(second.genotype[0].allele1, 120);
  EXPECT_FALSE(second.assigned);
  EXPECT_EQ(generateParent(parents, 0).genotype[0].allele1, 120);
}

struct HeteroCase {
  const char* name;
  std::string row;  // one sons row
  int nLoci;
  int32_t heteroSum;
};

TEST(HeteroSum, Table) {
  const HeteroCase cases[] = {
      {"missing and allele", "-99 120", 1, 219},
      {"missing and small allele", "-99 12", 1, 111},
      {"both missing", "-99 -99", 1, 0},
      {"larger first", "130 124", 1, 6},
      {"12 and 5", "12 5", 1, 7},
      {"homozygous", "7 7", 1, 0},
      {"invalid marker is an ordinary value", "-5 5", 1, 0},  // stored -100000 -100000
      {"sum over loci", "130 124 -99 120 7 7 1 3", 4, 227},
      {"one locus near the limit", "2147483647 1", 1, 2147483646},
      // Exact sums stay put; a 32-bit sum would wrap round to a small value.
      {"sum beyond 32 bits saturates", "2147483647 1 2147483647 1", 2, INT32_MAX},
      {"saturated sum of three loci", "1 2147483647 1 2147483647 1 2147483647", 3, INT32_MAX},
  };
  for (const HeteroCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Data sons = tableOf(c.row, c.nLoci);
    EXPECT_EQ(generateSon(sons, 0).heteroSum, c.heteroSum);
    const Data parents = tableOf(c.row + " 1001", c.nLoci);
    EXPECT_EQ(generateParent(parents, 0).heteroSum, c.heteroSum);
  }
}

TEST(HeteroSum, SingleLocusDifferenceBeyond32Bits) {
  // A son row with the invalid marker and the largest int: one difference of
  // 2147583647, which must saturate rather than wrap negative.
  Data sons = tableOf("5 2147483647\n", 1);
  sons.rows[0][0] = -100000;
  EXPECT_EQ(generateSon(sons, 0).heteroSum, INT32_MAX);
}

TEST(Records, CopiesNeverShareFlags) {
  Son son = makeSon(1, {{100, 104}}, 2);
  son.motherIncluded.push_back(makeParent(12, {{100, 102}}));
  son.fatherSemiIncluded.push_back(makeParent(2003, {{104, 106}}));
  Son copy = son;
  copy.motherIncluded[0].assigned = true;
  copy.motherIncluded[0].genotype[0].allele1 = 1;
  copy.fatherSemiIncluded.clear();
  EXPECT_FALSE(son.motherIncluded[0].assigned);
  EXPECT_EQ(son.motherIncluded[0].genotype[0].allele1, 100);
  EXPECT_EQ(son.fatherSemiIncluded.size(), 1u);

  Family family;
  family.son = son;
  Family other = family;
  other.son.motherIncluded[0].assigned = true;
  EXPECT_FALSE(family.son.motherIncluded[0].assigned);
}

TEST(Family, RoleWordsAddressTheParents) {
  Progenitor mother = makeParent(12, {{1, 2}});
  mother.assigned = true;
  Progenitor father = makeParent(2003, {{3, 4}});
  Family family;
  family.assignParent("madre", mother);
  family.assignParent("padre", father);
  family.assignParent("Madre", makeParent(99, {}));
  family.assignParent("mother", makeParent(98, {}));
  family.assignParent("", makeParent(97, {}));
  EXPECT_EQ(family.mother.number, 12);
  EXPECT_EQ(family.father.number, 2003);
  EXPECT_TRUE(family.isAssigned("madre"));
  EXPECT_FALSE(family.isAssigned("padre"));
  EXPECT_FALSE(family.isAssigned("mother"));
  family.father.assigned = true;
  EXPECT_TRUE(family.isAssigned("padre"));
  EXPECT_FALSE(family.isAssigned("PADRE"));
}

}  // namespace
