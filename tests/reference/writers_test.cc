// The report writers on hand-made records: the parent report, the family list
// with its genotype listing, and the two lean variants.
#include <unistd.h>

#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "reference/writers.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

const std::string kParentHeader = "\nSONS\t\tMOTHERS\t\t\t\tFATHERS\t\n" + kDash;
const std::string kFamilyColumns = "\nSON\t\tMOTHER\tFATHER\n" + kDash;
const std::string kNoFamilies = "0 No sons with assigned family!\n" + kFamilyColumns;

Progenitor cand(int number, bool totalMatch = true) {
  Progenitor p;
  p.number = number;
  p.totalMatch = totalMatch;
  return p;
}

Son sonWith(int radius, std::vector<Progenitor> mi, std::vector<Progenitor> ms,
            std::vector<Progenitor> pi, std::vector<Progenitor> ps) {
  Son s;
  s.radiusNear = radius;
  s.radiusFar = radius;
  s.motherIncluded = std::move(mi);
  s.motherSemiIncluded = std::move(ms);
  s.fatherIncluded = std::move(pi);
  s.fatherSemiIncluded = std::move(ps);
  return s;
}

std::string parentsText(const std::vector<Son>& sons) {
  std::ostringstream out;
  writeParents(out, sons);
  return out.str();
}

struct ParentCase {
  const char* name;
  std::vector<Son> sons;
  std::string expected;
};

TEST(WriteParents, Table) {
  Son firstWithoutCandidates = sonWith(6, {}, {}, {}, {});
  firstWithoutCandidates.radiusFar = 9;
  firstWithoutCandidates.number = 42;
  Son second = sonWith(2, {}, {}, {}, {cand(2001, false)});
  second.number = 42;  // the block is numbered by position, not by this field

  const ParentCase cases[] = {
      {"no sons", {}, kParentHeader},
      {"sons without candidates",
       {sonWith(4, {}, {}, {}, {}), sonWith(4, {}, {}, {}, {})},
       "Radius = 4\n" + kParentHeader},
      {"negative radius", {sonWith(-3, {}, {}, {}, {})}, "Radius = -3\n" + kParentHeader},
      {"the three kinds of match, a son skipped, a son with fathers only",
       {sonWith(4, {cand(12)}, {cand(15, true)}, {cand(2003)},
                {cand(2008, false), cand(2011, true)}),
        sonWith(4, {}, {}, {}, {}), sonWith(4, {}, {}, {cand(2003)}, {})},
       "Radius = 4\n" + kParentHeader +
           "\n1\t\t12(I-TOTAL MATCH)\t\t2003(I-TOTAL MATCH)\n"
           "\t\t15(S-TOTAL MATCH)\t\t2008(NON-TOTAL MATCH)\n"
           "\t\t\t\t\t\t\t2011(S-TOTAL MATCH)\n" +
           kDash + "\n3\t\t\t\t\t\t\t2003(I-TOTAL MATCH)\n" + kDash},
      {"mothers without fathers",
       {sonWith(0, {cand(5)}, {cand(6, false)}, {}, {})},
       "Radius = 0\n" + kParentHeader +
           "\n1\t\t5(I-TOTAL MATCH)\t\t\n\t\t6(NON-TOTAL MATCH)\t\t\n" + kDash},
      {"fathers beside mothers: PI first, then PS",
       {sonWith(2, {cand(1), cand(2)}, {cand(3, true)}, {cand(2001)},
                {cand(2011, false), cand(2012, true), cand(2013, false)})},
       "Radius = 2\n" + kParentHeader +
           "\n1\t\t1(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n"
           "\t\t2(I-TOTAL MATCH)\t\t2011(NON-TOTAL MATCH)\n"
           "\t\t3(S-TOTAL MATCH)\t\t2012(S-TOTAL MATCH)\n"
           "\t\t\t\t\t\t\t2013(NON-TOTAL MATCH)\n" +
           kDash},
      {"left-over fathers: PI before PS",
       {sonWith(2, {cand(1)}, {}, {cand(2001), cand(2002)}, {cand(2011)})},
       "Radius = 2\n" + kParentHeader +
           "\n1\t\t1(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n"
           "\t\t\t\t\t\t\t2002(I-TOTAL MATCH)\n"
           "\t\t\t\t\t\t\t2011(S-TOTAL MATCH)\n" +
           kDash},
      {"Included entries ignore totalMatch",
       {sonWith(1, {cand(7, false)}, {}, {cand(2007, false)}, {})},
       "Radius = 1\n" + kParentHeader + "\n1\t\t7(I-TOTAL MATCH)\t\t2007(I-TOTAL MATCH)\n" + kDash},
      {"SemiIncluded mother beside a SemiIncluded father",
       {sonWith(8, {}, {cand(8, false)}, {}, {cand(2009, true)})},
       "Radius = 8\n" + kParentHeader + "\n1\t\t8(NON-TOTAL MATCH)\t\t2009(S-TOTAL MATCH)\n" +
           kDash},
      {"first son's radiusNear, numbers by position",
       {firstWithoutCandidates, second},
       "Radius = 6\n" + kParentHeader + "\n2\t\t\t\t\t\t\t2001(NON-TOTAL MATCH)\n" + kDash},
  };
  for (const ParentCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parentsText(c.sons), c.expected);
  }
}

std::string rawText(const std::vector<Son>& sons) {
  std::ostringstream out;
  writeParentsRaw(out, sons);
  return out.str();
}

TEST(WriteParentsRaw, NumbersOfSonsWithCandidates) {
  const Son none = sonWith(4, {}, {}, {}, {});
  const Son some = sonWith(4, {}, {}, {}, {cand(2001)});
  const Son mother = sonWith(4, {}, {cand(3)}, {}, {});
  EXPECT_EQ(rawText({}), "");
  EXPECT_EQ(rawText({none, none}), "");
  EXPECT_EQ(rawText({some, none, mother, some, none}), "\n1\n3\n4");
}

// The numbers that head the blocks of the parent report: each block starts
// with an empty line straight after a dash line.
std::vector<int> blockNumbers(const std::string& report) {
  std::vector<int> numbers;
  const std::string opening = kDash + "\n";
  for (size_t at = report.find(opening); at != std::string::npos;
       at = report.find(opening, at + 1)) {
    numbers.push_back(std::stoi(report.substr(at + opening.size())));
  }
  return numbers;
}

std::vector<int> rawNumbers(const std::string& raw) {
  std::vector<int> numbers;
  for (size_t at = raw.find('\n'); at != std::string::npos; at = raw.find('\n', at + 1)) {
    numbers.push_back(std::stoi(raw.substr(at + 1)));
  }
  return numbers;
}

TEST(WriteParentsRaw, SameNumbersAsTheParentReportBlocks) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> count(0, 14);
  std::uniform_int_distribution<int> listSize(0, 2);
  std::uniform_int_distribution<int> chance(0, 3);
  int nonEmpty = 0;
  for (int n = 0; n < 300; ++n) {
    std::vector<Son> sons(static_cast<size_t>(count(rng)));
    for (Son& s : sons) {
      s.radiusNear = s.radiusFar = 2;
      if (chance(rng) != 0) continue;  // most sons have no candidate
      std::vector<Progenitor>* lists[] = {&s.motherIncluded, &s.motherSemiIncluded,
                                          &s.fatherIncluded, &s.fatherSemiIncluded};
      for (auto* list : lists) {
        for (int k = listSize(rng); k > 0; --k) list->push_back(cand(2000 + k, k % 2 == 0));
      }
    }
    const std::string raw = rawText(sons);
    ASSERT_EQ(rawNumbers(raw), blockNumbers(parentsText(sons))) << "vector " << n;
    ASSERT_TRUE(raw.empty() || raw.back() != '\n') << "vector " << n;
    nonEmpty += raw.empty() ? 0 : 1;
  }
  EXPECT_GT(nonEmpty, 100);
}

// ---- The family list and the genotype listing -------------------------------

Family fam(const Son& son, Progenitor mother, Progenitor father) {
  Family f;
  f.son = son;
  mother.assigned = true;
  father.assigned = true;
  f.assignParent("madre", mother);
  f.assignParent("padre", father);
  return f;
}

struct FamilyTexts {
  std::string list;
  std::string genotypes;
};

FamilyTexts familyTexts(const std::vector<Family>& families) {
  std::ostringstream list;
  std::ostringstream genotypes;
  writeFamilieswithGenotypes(list, genotypes, families);
  return {list.str(), genotypes.str()};
}

std::string listOnly(const std::vector<Family>& families) {
  std::ostringstream out;
  writeFamilies(out, families);
  return out.str();
}

std::string underscores(int loci) { return std::string(17 + 10 * static_cast<size_t>(loci), '_'); }

const Son kSon3 = makeSon(3, {{120, 124}, {88, 90}}, 4);
const Son kSon7 = makeSon(7, {{120, 126}, {86, 90}}, 4, true);
const Progenitor kM15 = makeParent(15, {{120, 122}, {88, 88}});
const Progenitor kM21 = makeParent(21, {{126, 128}, {86, 86}});
const Progenitor kF2003 = makeParent(2003, {{124, 130}, {90, 92}});
const Progenitor kF2008 = makeParent(2008, {{124, 124}, {90, 90}});

TEST(WriteFamilieswithGenotypes, EmptyFamilyList) {
  const FamilyTexts texts = familyTexts({});
  EXPECT_EQ(texts.list, kNoFamilies);
  EXPECT_EQ(texts.genotypes, "");
  EXPECT_EQ(listOnly({}), kNoFamilies);
}

TEST(WriteFamilieswithGenotypes, TwoSonsOneWithTwoFamilies) {
  const std::vector<Family> families = {fam(kSon3, kM15, kF2003), fam(kSon3, kM15, kF2008),
                                        fam(kSon7, kM21, kF2003)};
  const FamilyTexts texts = familyTexts(families);
  // Two sons have families: the count, not the highest son number (7).
  EXPECT_EQ(texts.list, "2 sons with assigned family (R =4):\n" + kFamilyColumns +
                            "\n3\t\t15\t\t2003\n"
                            "\t\t15\t\t2008\n"
                            "\n7*\t\t21\t\t2003\n");
  EXPECT_EQ(texts.genotypes, "\nOFFSPRING 3   \t120 124 88 90 \n" + underscores(2) +
                                 "\n"
                                 "Mother 15\t\t120 122 88 88 \n"
                                 "Father 2003\t\t124 130 90 92 \n"
                                 "\n"
                                 "Mother 15\t\t120 122 88 88 \n"
                                 "Father 2008\t\t124 124 90 90 \n"
                                 "\n"
                                 "\nOFFSPRING 7   \t120 126 86 90 \n" +
                                 underscores(2) +
                                 "\n"
                                 "Mother 21\t\t126 128 86 86 \n"
                                 "Father 2003\t\t124 130 90 92 \n"
                                 "\n");
}

TEST(WriteFamilieswithGenotypes, FamilyCountIsTheNumberOfSons) {
  const Son son2 = makeSon(2, {{1, 2}}, 0);
  const Son son5 = makeSon(5, {{1, 2}}, 0);
  const Progenitor m = makeParent(1, {{1, 1}});
  const Progenitor f = makeParent(2000, {{2, 2}});
  const FamilyTexts texts = familyTexts({fam(son2, m, f), fam(son2, m, f), fam(son5, m, f)});
  EXPECT_EQ(texts.list, "2 sons with assigned family (R =0):\n" + kFamilyColumns +
                            "\n2\t\t1\t\t2000\n\t\t1\t\t2000\n\n5\t\t1\t\t2000\n");
}

TEST(WriteFamilieswithGenotypes, FirstSonNumberedOneHasNoEmptyLineBefore) {
  Son son1 = makeSon(1, {{5, 6}}, 2);
  son1.radiusFar = 9;  // the header shows radiusNear
  const FamilyTexts texts =
      familyTexts({fam(son1, makeParent(11, {{5, 5}}), makeParent(2001, {{6, 6}}))});
  EXPECT_EQ(texts.list,
            "1 sons with assigned family (R =2):\n" + kFamilyColumns + "1\t\t11\t\t2001\n");
  EXPECT_EQ(texts.genotypes, "\nOFFSPRING 1   \t5 6 \n" + underscores(1) +
                                 "\nMother 11\t\t5 5 \nFather 2001\t\t6 6 \n\n");
}

TEST(WriteFamilieswithGenotypes, MarksForMissingData) {
  const Son son5 = makeSon(5, {{5, 6}}, 0);
  const Son son6 = makeSon(6, {{-99, 6}}, 0, true);
  const Progenitor m11 = makeParent(11, {{-99, 5}}, true);
  const Progenitor m12 = makeParent(12, {{5, 5}});
  const Progenitor f2001 = makeParent(2001, {{6, 6}});
  const Progenitor f2002 = makeParent(2002, {{6, -99}}, true);
  const std::vector<Family> families = {fam(son5, m11, f2001), fam(son5, m12, f2001),
                                        fam(son5, m12, f2002), fam(son6, m12, f2001),
                                        fam(son6, m12, f2001)};
  const FamilyTexts texts = familyTexts(families);
  // A parent's missing data marks its own line; the son's marks its whole group.
  EXPECT_EQ(texts.list, "2 sons with assigned family (R =0):\n" + kFamilyColumns +
                            "\n5*\t\t11\t\t2001\n"
                            "\t\t12\t\t2001\n"
                            "*\t\t12\t\t2002\n"
                            "\n6*\t\t12\t\t2001\n"
                            "*\t\t12\t\t2001\n");
  // Missing alleles are printed as stored.
  EXPECT_NE(texts.genotypes.find("\nOFFSPRING 6   \t-99 6 \n"), std::string::npos);
  EXPECT_NE(texts.genotypes.find("Mother 11\t\t-99 5 \n"), std::string::npos);
  EXPECT_NE(texts.genotypes.find("Father 2002\t\t6 -99 \n"), std::string::npos);
}

TEST(WriteFamilieswithGenotypes, OffspringFieldIsFourWideLeftJustified) {
  const Progenitor m = makeParent(11, {{1, 1}, {2, 2}, {3, 3}});
  const Progenitor f = makeParent(2001, {{1, 2}, {2, 3}, {3, -100000}});
  const std::vector<Family> families = {fam(makeSon(12, {{1, 1}, {2, 2}, {3, 3}}, 0), m, f),
                                        fam(makeSon(1000, {{1, 1}, {2, 2}, {3, 3}}, 0), m, f),
                                        fam(makeSon(12345, {{1, 1}, {2, 2}, {3, 3}}, 0), m, f)};
  const FamilyTexts texts = familyTexts(families);
  EXPECT_EQ(texts.list, "3 sons with assigned family (R =0):\n" + kFamilyColumns +
                            "\n12\t\t11\t\t2001\n\n1000\t\t11\t\t2001\n\n12345\t\t11\t\t2001\n");
  const std::string parents = "Mother 11\t\t1 1 2 2 3 3 \nFather 2001\t\t1 2 2 3 3 -100000 \n\n";
  const std::string rest = "1 1 2 2 3 3 \n" + underscores(3) + "\n" + parents;
  EXPECT_EQ(texts.genotypes, "\nOFFSPRING 12  \t" + rest + "\nOFFSPRING 1000\t" + rest +
                                 "\nOFFSPRING 12345\t" + rest);
}

// Text after the first line, for cases whose header is not the point.
std::string afterHeader(const std::string& text) { return text.substr(text.find('\n') + 1); }

TEST(WriteFamilieswithGenotypes, UnassignedFamiliesAreLeftOutWithoutSplittingAGroup) {
  Family motherClear = fam(makeSon(4, {{1, 2}}, 0), kM15, kF2003);
  motherClear.mother.assigned = false;
  Family fatherClear = fam(kSon3, kM21, kF2008);
  fatherClear.father.assigned = false;
  const std::vector<Family> families = {fam(kSon3, kM15, kF2003), motherClear, fatherClear,
                                        fam(kSon3, kM21, kF2003)};
  const FamilyTexts texts = familyTexts(families);
  EXPECT_EQ(afterHeader(texts.list), kFamilyColumns + "\n3\t\t15\t\t2003\n\t\t21\t\t2003\n");
  EXPECT_EQ(texts.genotypes.find("2008"), std::string::npos);
  EXPECT_EQ(texts.genotypes.find("OFFSPRING 4"), std::string::npos);
  const size_t group = texts.genotypes.find("OFFSPRING 3");
  EXPECT_NE(group, std::string::npos);
  EXPECT_EQ(texts.genotypes.find("OFFSPRING", group + 1), std::string::npos);  // one group only
}

TEST(WriteFamilieswithGenotypes, SeparatedFamiliesOfOneSonFormTwoGroups) {
  const Son son2 = makeSon(2, {{1, 2}}, 0);
  const Son son5 = makeSon(5, {{3, 4}}, 0);
  const Progenitor m = makeParent(1, {{1, 3}});
  const Progenitor f = makeParent(2000, {{2, 4}});
  const FamilyTexts texts = familyTexts({fam(son2, m, f), fam(son5, m, f), fam(son2, m, f)});
  EXPECT_EQ(afterHeader(texts.list),
            kFamilyColumns + "\n2\t\t1\t\t2000\n\n5\t\t1\t\t2000\n\n2\t\t1\t\t2000\n");
  const std::string parents = "Mother 1\t\t1 3 \nFather 2000\t\t2 4 \n\n";
  const std::string u = underscores(1) + "\n";
  EXPECT_EQ(texts.genotypes, "\nOFFSPRING 2   \t1 2 \n" + u + parents + "\nOFFSPRING 5   \t3 4 \n" +
                                 u + parents + "\nOFFSPRING 2   \t1 2 \n" + u + parents);
}

TEST(WriteFamilieswithGenotypes, UnderscoreLineAndRadiusFromTheFirstFamily) {
  // Later sons with other locus counts or radii do not change either.
  const Son first = makeSon(2, {{1, 2}, {3, 4}, {5, 6}}, 6);
  const Son later = makeSon(3, {{1, 2}}, 1);
  const Progenitor m = makeParent(1, {{1, 3}, {3, 3}, {5, 5}});
  const Progenitor f = makeParent(2000, {{2, 4}, {4, 4}, {6, 6}});
  const FamilyTexts texts = familyTexts({fam(first, m, f), fam(later, m, f)});
  EXPECT_EQ(texts.list.substr(0, texts.list.find('\n')), "2 sons with assigned family (R =6):");
  EXPECT_EQ(texts.genotypes.find("\n" + underscores(1) + "\n"), std::string::npos);
  size_t lines = 0;
  for (size_t at = texts.genotypes.find("\n" + underscores(3) + "\n"); at != std::string::npos;
       at = texts.genotypes.find("\n" + underscores(3) + "\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u);
}

// Random family vectors of the shape the matings produce, with now and then a
// parent left unassigned or data marked missing.
std::vector<Family> randomFamilies(std::mt19937& rng) {
  std::uniform_int_distribution<int> count(0, 9);
  std::uniform_int_distribution<int> loci(0, 3);
  std::uniform_int_distribution<int> step(0, 2);
  std::uniform_int_distribution<int> chance(0, 5);
  std::uniform_int_distribution<int> allele(1, 300);
  const int nLoci = loci(rng);
  const int radius = step(rng) * 2;
  auto genotype = [&]() {
    Loci l;
    for (int i = 0; i < nLoci; ++i)
      l.push_back({chance(rng) == 0 ? -99 : allele(rng), allele(rng)});
    return l;
  };
  std::vector<Family> families;
  int sonNumber = 1 + step(rng);
  for (int i = count(rng); i > 0; --i) {
    sonNumber += step(rng) == 0 ? 0 : step(rng) * 500 + 1;
    Family f = fam(makeSon(sonNumber, genotype(), radius, chance(rng) == 0),
                   makeParent(allele(rng), genotype(), chance(rng) == 0),
                   makeParent(2000 + allele(rng), genotype(), chance(rng) == 0));
    if (chance(rng) == 0) f.mother.assigned = false;
    if (chance(rng) == 0) f.father.assigned = false;
    families.push_back(f);
  }
  return families;
}

TEST(WriteFamilies, SameBytesAsTheFamilyListWithGenotypes) {
  std::mt19937 rng(17);
  for (int n = 0; n < 500; ++n) {
    const std::vector<Family> families = randomFamilies(rng);
    ASSERT_EQ(listOnly(families), familyTexts(families).list) << "vector " << n;
  }
}

class FamiliesFile : public ::testing::Test {
 protected:
  ScopedWorkdir dir;
  const std::vector<Family> families = {fam(kSon3, kM15, kF2003), fam(kSon7, kM21, kF2008)};
};

TEST_F(FamiliesFile, WriteFamiliesTouchesNoOtherFile) {
  writeFile("Famgenotypes.out", "kept\n");
  listOnly(families);
  EXPECT_EQ(readFile("Famgenotypes.out"), "kept\n");
  std::filesystem::remove("Famgenotypes.out");
  listOnly(families);
  EXPECT_FALSE(std::filesystem::exists("Famgenotypes.out"));
}

TEST_F(FamiliesFile, GenotypeListingGoesToItsFile) {
  writeFile("Famgenotypes.out", std::string(5000, 'x'));  // an older, longer report
  std::ostringstream list;
  EXPECT_TRUE(writeFamilieswithGenotypes(list, families));
  const FamilyTexts expected = familyTexts(families);
  EXPECT_EQ(list.str(), expected.list);
  EXPECT_EQ(readFile("Famgenotypes.out"), expected.genotypes);

  std::ostringstream emptyList;
  EXPECT_TRUE(writeFamilieswithGenotypes(emptyList, std::vector<Family>{}));
  EXPECT_EQ(emptyList.str(), kNoFamilies);
  EXPECT_TRUE(std::filesystem::exists("Famgenotypes.out"));
  EXPECT_EQ(readFile("Famgenotypes.out"), "");
}

}  // namespace
