// Sphere filling: the table checks, the mother/father split and the placing of
// every candidate in an offspring's Included or SemiIncluded lists.
#include <climits>

#include <gtest/gtest.h>

#include "input/data.h"
#include "status/run_failure.h"
#include "reference/sphere_filling.h"
#include "test_support.h"

namespace {

std::string rowText(const Loci& loci) {
  std::string text;
  for (const auto& [a, b] : loci) text += std::to_string(a) + " " + std::to_string(b) + " ";
  return text;
}

struct Filled {
  Data parents;
  Data sonsTable;
  std::vector<Son> sons;
};

Filled fill(const std::string& parentsText, const std::string& sonsText, int radius) {
  Filled f{Data::fromText(parentsText, -99, "#"), Data::fromText(sonsText, -99, "#"), {}};
  fillSpheres(f.parents, f.sonsTable, f.sons, radius);
  return f;
}

struct CheckCase {
  const char* name;
  std::string parents;
  std::string sons;
  std::string message;
};

TEST(FillSpheres, TableChecksInOrder) {
  MissingCode code(-99);
  const std::string sonsMsg = "WRONG NUMBER OF COLUMNS IN SONS FILE\n";
  const std::string parentsMsg = "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n";
  const CheckCase cases[] = {
      {"no parents rows, bad sons", "", "1 2 3\n", "EMPTY PARENTS FILE\n"},
      {"no parents rows, no sons", "# only a comment\n", "", "EMPTY PARENTS FILE\n"},
      {"no sons rows", "1 2 5\n", "# nothing\n\n", "EMPTY SONS FILE\n"},
      {"no sons rows, short parents", "1 5\n1 2 3 4 5\n1\n", "", "EMPTY SONS FILE\n"},
      {"odd first sons row", "1 2 3 4 5 6 7\n", "1 2 3 4 5\n", sonsMsg},
      {"odd first sons row before short parents", "1\n", "1 2 3\n", sonsMsg},
      {"later sons row shorter", "1 2 3 4 5\n", "1 2 3 4\n1 2\n", sonsMsg},
      {"later odd sons row is accepted", "1 2 3 4 5\n", "1 2 3 4\n1 2 3 4 5\n", ""},
      {"later sons row longer", "1 2 3 4 5\n", "1 2 3 4\n1 2 3 4 5 6\n", ""},
      {"short sons row before short parents row", "1 2 3 4 5\n1 2\n", "1 2 3 4\n1 2\n", sonsMsg},
      {"parents row shorter than the first", "1 2 3 4 5 6\n1 2 3 4 5\n", "1 2 3 4\n", parentsMsg},
      {"first parents row lacks the identifier", "1 2 3 4\n", "1 2 3 4\n", parentsMsg},
      {"later parents row lacks the identifier", "1 2 3 4 5\n1 2 3 4\n", "1 2 3 4\n", parentsMsg},
      {"parents rows longer than needed", "1 2 3 4 5\n1 2 3 4 5 6 7\n", "1 2 3 4\n", ""},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.name);
    Data parents = Data::fromText(c.parents, -99, "#");
    Data sonsTable = Data::fromText(c.sons, -99, "#");
    std::vector<Son> sons(1);
    sons[0].number = 77;  // a record already there must survive a failure
    std::string message;
    try {
      fillSpheres(parents, sonsTable, sons, 2);
    } catch (const RunFailure& failure) {
      message = failure.what();
      EXPECT_EQ(failure.status(), 1);
    }
    EXPECT_EQ(message, c.message);
    if (!c.message.empty()) {
      EXPECT_EQ(sons.size(), 1u);
      EXPECT_EQ(parents.nLoci, 0);
      EXPECT_EQ(sonsTable.nLoci, 0);
    } else {
      EXPECT_EQ(sons.size(), 1 + sonsTable.rows.size());
      EXPECT_EQ(sons[0].number, 77);  // appended after, not cleared
    }
  }
}

TEST(FillSpheres, LocusCountComesFromTheFirstSonsRow) {
  MissingCode code(-99);
  Filled f = fill("1 2 3 4 5 6 1001\n", "1 2 3 4 5 6\n7 8 9 10 11 12 13 14\n", 0);
  EXPECT_EQ(f.parents.nLoci, 3);
  EXPECT_EQ(f.sonsTable.nLoci, 3);
  ASSERT_EQ(f.sons.size(), 2u);
  EXPECT_EQ(f.sons[1].genotype.size(), 3u);
  EXPECT_EQ(f.sons[1].genotype[2].allele2, 12);
  EXPECT_EQ(f.sons[0].motherIncluded.size(), 1u);
}

TEST(Contmadres, CountsBelow2000AtTheFirstRowsLastPosition) {
  using Rows = std::vector<std::vector<int>>;
  const std::pair<Rows, int> cases[] = {
      {{{1, 2, 5}, {1, 2, 2000}, {1, 2, 7}}, 2},
      {{{1, 2, 2000}, {1, 2, 2001}}, 0},
      {{{1, 2, 1999}, {1, 2, 1}}, 2},
      {{{1, 2, -99}}, 1},
      {{{1, 2, -100000}}, 1},
      // The position is the first row's last one, whatever later rows hold.
      {{{1, 2, 2500}, {1, 2, 100, 3000}, {1, 2, 2000, 5}}, 1},
  };
  int i = 0;
  for (const auto& [rows, mothers] : cases) {
    SCOPED_TRACE("case " + std::to_string(i++));
    EXPECT_EQ(contmadres(rows), mothers);
  }
}

struct SplitCase {
  const char* name;
  std::vector<int> ids;
  std::vector<int> mothers;
  std::vector<int> fathers;
};

TEST(FillSpheres, MothersAndFathersSplitByPosition) {
  MissingCode code(-99);
  const SplitCase cases[] = {
      {"2000 counts as a father's value", {5, 2000, 7}, {5, 2000}, {7}},
      {"all fathers", {2000, 2001, 3000}, {}, {2000, 2001, 3000}},
      {"all mothers", {1, 1999, 30}, {1, 1999, 30}, {}},
      {"missing code as identifier", {-99, 2000}, {-99}, {2000}},
      {"position, not value, decides", {3000, 5}, {3000}, {5}},
      {"table order is kept", {30, 10, 20, 2009, 2001}, {30, 10, 20}, {2009, 2001}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string parents;
    for (int id : c.ids) parents += "100 104 " + std::to_string(id) + "\n";
    Filled f = fill(parents, "100 104\n", 0);
    ASSERT_EQ(f.sons.size(), 1u);
    EXPECT_EQ(numbersOf(f.sons[0].motherIncluded), c.mothers);
    EXPECT_EQ(numbersOf(f.sons[0].fatherIncluded), c.fathers);
    EXPECT_TRUE(f.sons[0].motherSemiIncluded.empty());
    EXPECT_TRUE(f.sons[0].fatherSemiIncluded.empty());
  }
}

enum class Place { None, Included, SemiTotal, SemiNonTotal };

struct PlaceCase {
  const char* name;
  Loci son;
  Loci parent;
  int radius;
  Place expected;
};

Place placeOf(const std::vector<Progenitor>& included, const std::vector<Progenitor>& semi) {
  EXPECT_LE(included.size() + semi.size(), 1u);
  if (!included.empty()) {
    EXPECT_TRUE(included[0].included && !included[0].semiIncluded && included[0].totalMatch);
    return Place::Included;
  }
  if (!semi.empty()) {
    EXPECT_TRUE(!semi[0].included && semi[0].semiIncluded);
    return semi[0].totalMatch ? Place::SemiTotal : Place::SemiNonTotal;
  }
  return Place::None;
}

TEST(FillSpheres, PlacingByNearAndFarDistance) {
  MissingCode code(-99);
  const int M = INT32_MAX;
  const PlaceCase cases[] = {
      {"near 0 far 2, radius 2", {{100, 104}}, {{100, 102}}, 2, Place::Included},
      {"near 0 far 2, radius 1", {{100, 104}}, {{100, 102}}, 1, Place::SemiTotal},
      {"near 0 far 2, radius 0", {{100, 104}}, {{100, 102}}, 0, Place::SemiTotal},
      {"near 2 far 2, radius 3", {{100, 104}}, {{102, 106}}, 3, Place::SemiNonTotal},
      {"near 2 far 2, radius 2", {{100, 104}}, {{102, 106}}, 2, Place::SemiNonTotal},
      {"near 2 far 2, radius 1", {{100, 104}}, {{102, 106}}, 1, Place::None},
      {"identical, radius 0", {{100, 104}, {88, 90}}, {{104, 100}, {90, 88}}, 0, Place::Included},
      {"identical, radius -1", {{100, 104}}, {{100, 104}}, -1, Place::None},
      {"candidate all missing, radius 0", {{100, 104}}, {{-99, -99}}, 0, Place::Included},
      {"candidate all missing, radius -1", {{100, 104}}, {{-99, -99}}, -1, Place::None},
      {"offspring locus missing adds nothing", {{-99, 104}, {1, 1}}, {{300, 400}, {1, 1}}, 0,
       Place::Included},
      {"sums over loci", {{100, 104}, {100, 104}}, {{100, 102}, {100, 102}}, 3, Place::SemiTotal},
      {"sums over loci within radius", {{100, 104}, {100, 104}}, {{100, 102}, {100, 102}}, 4,
       Place::Included},
      // Far distance 2*(2^31 - 2) saturates at 2^31 - 1; wrapped it would read -4.
      {"huge far distance, radius 0", {{1, M}, {1, M}}, {{1, 1}, {1, 1}}, 0, Place::SemiTotal},
      {"huge far distance, largest radius", {{1, M}, {1, M}}, {{1, 1}, {1, 1}}, M, Place::Included},
      {"far 2^31 - 2, radius 2^31 - 2", {{1, M}}, {{1, 1}}, M - 1, Place::Included},
      {"far 2^31 - 2, radius 2^31 - 3", {{1, M}}, {{1, 1}}, M - 2, Place::SemiTotal},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string parents = rowText(c.parent) + "5\n" + rowText(c.parent) + "2005\n";
    Filled f = fill(parents, rowText(c.son) + "\n", c.radius);
    ASSERT_EQ(f.sons.size(), 1u);
    const Son& son = f.sons[0];
    EXPECT_EQ(son.radiusNear, c.radius);
    EXPECT_EQ(son.radiusFar, c.radius);
    EXPECT_EQ(static_cast<int>(placeOf(son.motherIncluded, son.motherSemiIncluded)),
              static_cast<int>(c.expected));
    EXPECT_EQ(static_cast<int>(placeOf(son.fatherIncluded, son.fatherSemiIncluded)),
              static_cast<int>(c.expected));
  }
}

TEST(FillSpheres, SonsNumberedInTableOrderWithTheirFlags) {
  MissingCode code(-99);
  Filled f = fill("# mothers\n100 104 11\n-99 -99 12\n100 104 2001\n",
                  "100 104\n# a comment line is not counted\n200 -99\n\n300 302\n", 0);
  ASSERT_EQ(f.sons.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("son " + std::to_string(i + 1));
    EXPECT_EQ(f.sons[i].number, static_cast<int>(i + 1));
    EXPECT_EQ(f.sons[i].radiusNear, 0);
    EXPECT_EQ(f.sons[i].radiusFar, 0);
    EXPECT_EQ(f.sons[i].hasMissing, i == 1);
  }
  // The untyped mother sits at (0, 0) from everyone and carries her flag.
  EXPECT_EQ(numbersOf(f.sons[0].motherIncluded), (std::vector<int>{11, 12}));
  EXPECT_FALSE(f.sons[0].motherIncluded[0].hasMissing);
  EXPECT_TRUE(f.sons[0].motherIncluded[1].hasMissing);
  // Son 2's missing locus adds nothing: everyone is at (0, 0).
  EXPECT_EQ(numbersOf(f.sons[1].motherIncluded), (std::vector<int>{11, 12}));
  EXPECT_EQ(numbersOf(f.sons[1].fatherIncluded), (std::vector<int>{2001}));
  EXPECT_EQ(numbersOf(f.sons[2].motherIncluded), (std::vector<int>{12}));
  EXPECT_TRUE(f.sons[2].fatherIncluded.empty() && f.sons[2].fatherSemiIncluded.empty());
}

TEST(FillSpheres, NegativeRadiusLeavesEveryListEmpty) {
  MissingCode code(-99);
  Filled f = fill("100 104 11\n-99 -99 12\n100 104 2001\n", "100 104\n-99 -99\n", -3);
  ASSERT_EQ(f.sons.size(), 2u);
  for (const Son& son : f.sons) {
    SCOPED_TRACE("son " + std::to_string(son.number));
    EXPECT_FALSE(son.hasCandidates());
    EXPECT_EQ(son.radiusNear, -3);
    EXPECT_EQ(son.radiusFar, -3);
  }
}

}  // namespace
