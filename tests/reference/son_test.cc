// An offspring's candidate lists fetched by code, and the merged, ranked lists
// the matings pair.
#include <gtest/gtest.h>

#include "reference/son.h"
#include "test_support.h"

namespace {

// Each list holds distinct numbers so a returned list names its source.
Son sonWithFourLists() {
  Son son;
  son.motherIncluded = {rankedParent(11, 0), rankedParent(12, 0)};
  son.motherSemiIncluded = {rankedParent(21, 0)};
  son.fatherIncluded = {rankedParent(2031, 0)};
  son.fatherSemiIncluded = {rankedParent(2041, 0), rankedParent(2042, 0), rankedParent(2043, 0)};
  return son;
}

TEST(GetVector, SelectsByTheFirstTwoCharacters) {
  const Son son = sonWithFourLists();
  const std::vector<int> mi = {11, 12}, ms = {21}, pi = {2031}, ps = {2041, 2042, 2043}, none;
  const std::pair<const char*, std::vector<int>> cases[] = {
      {"MIncluded", mi},     {"MI", mi},         {"MIxyz", mi},     {"MSemiIncluded", ms},
      {"MS", ms},            {"PIncluded", pi},  {"PI", pi},        {"PSemiIncluded", ps},
      {"PS", ps},            {"PSanything", ps}, {"M", none},       {"P", none},
      {"", none},            {"mi", none},       {"Mi", none},      {"mI", none},
      {"IM", none},          {"ps", none},       {" MI", none},     {"FI", none},
  };
  for (const auto& [code, expected] : cases) {
    SCOPED_TRACE(std::string("code '") + code + "'");
    EXPECT_EQ(numbersOf(son.getVector(code)), expected);
  }
}

TEST(SelectBestD3, OnlyTheExactCodesSelect) {
  const Son son = sonWithFourLists();
  EXPECT_EQ(numbersOf(son.selectBestD3("M")), (std::vector<int>{11, 12, 21}));
  EXPECT_EQ(numbersOf(son.selectBestD3("P")), (std::vector<int>{2031, 2041, 2042, 2043}));
  for (const char* code : {"MI", "m", "p", "PP", "", "M ", "MIncluded", "PS"}) {
    SCOPED_TRACE(std::string("code '") + code + "'");
    EXPECT_TRUE(son.selectBestD3(code).empty());
  }
}

TEST(SelectBestD3, EmptyMotherListsGiveNoMothers) {
  Son son = sonWithFourLists();
  son.motherIncluded.clear();
  son.motherSemiIncluded.clear();
  EXPECT_TRUE(son.selectBestD3("M").empty());
  EXPECT_EQ(son.selectBestD3("P").size(), 4u);
}

struct RankCase {
  const char* name;
  std::vector<std::pair<int, int>> included;  // (number, heteroSum)
  std::vector<std::pair<int, int>> semiIncluded;
  std::vector<int> ranked;
};

TEST(SelectBestD3, RanksByHeteroSumKeepingMergedOrderForTies) {
  const RankCase cases[] = {
      {"ascending heteroSum", {{1, 4}, {2, 0}}, {{3, 2}}, {2, 3, 1}},
      {"tie: Included first", {{1, 3}}, {{2, 3}}, {1, 2}},
      {"tie: SemiIncluded listed after a larger Included", {{1, 5}, {2, 3}}, {{3, 3}, {4, 1}},
       {4, 2, 3, 1}},
      {"all equal keep stored order", {{5, 2}, {3, 2}, {9, 2}}, {{1, 2}, {7, 2}}, {5, 3, 9, 1, 7}},
      {"homozygous first", {{1, 219}, {2, 0}}, {{3, 0}}, {2, 3, 1}},
      {"only SemiIncluded", {}, {{1, 6}, {2, 2}}, {2, 1}},
  };
  for (const RankCase& c : cases) {
    SCOPED_TRACE(c.name);
    Son son;
    for (const auto& [n, h] : c.included) son.fatherIncluded.push_back(rankedParent(n, h));
    for (const auto& [n, h] : c.semiIncluded) son.fatherSemiIncluded.push_back(rankedParent(n, h));
    son.motherIncluded = son.fatherIncluded;
    son.motherSemiIncluded = son.fatherSemiIncluded;
    EXPECT_EQ(numbersOf(son.selectBestD3("M")), c.ranked);
    EXPECT_EQ(numbersOf(son.selectBestD3("P")), c.ranked);
  }
}

// Beyond 16 entries the ranking must still keep tied candidates in merged
// order, so the reports never depend on how the sort splits a long list.
TEST(SelectBestD3, LongListsWithTiesKeepMergedOrder) {
  for (int size : {17, 24, 40, 200}) {
    SCOPED_TRACE("merged list of " + std::to_string(size));
    Son son;
    std::vector<int> expected;
    // Three keys, interleaved; the numbers count up in merged order.
    const int keys[] = {6, 2, 6, 4, 2};
    for (int i = 0; i < size; ++i) {
      Progenitor p = rankedParent(i + 1, keys[i % 5]);
      if (i < size / 2) {
        son.motherIncluded.push_back(p);
      } else {
        son.motherSemiIncluded.push_back(p);
      }
    }
    for (int key : {2, 4, 6}) {
      for (int i = 0; i < size; ++i) {
        if (keys[i % 5] == key) expected.push_back(i + 1);
      }
    }
    EXPECT_EQ(numbersOf(son.selectBestD3("M")), expected);
  }
}

TEST(SelectBestD3, ReturnsIndependentCopiesAndLeavesTheSonUnchanged) {
  Son son = sonWithFourLists();
  son.motherIncluded[0] = makeParent(11, {{100, 104}});
  son.motherIncluded[1].heteroSum = 9;
  std::vector<Progenitor> first = son.selectBestD3("M");
  const std::vector<int> firstNumbers = numbersOf(first);
  for (Progenitor& p : first) {
    p.assigned = true;
    if (!p.genotype.empty()) p.genotype[0].allele1 = 1;
  }
  EXPECT_EQ(numbersOf(son.selectBestD3("M")), firstNumbers);
  EXPECT_EQ(numbersOf(son.motherIncluded), (std::vector<int>{11, 12}));
  EXPECT_EQ(son.motherIncluded[0].genotype[0].allele1, 100);
  for (const Progenitor& p : son.motherIncluded) EXPECT_FALSE(p.assigned);
  std::vector<Progenitor> fetched = son.getVector("MI");
  fetched[0].assigned = true;
  EXPECT_FALSE(son.motherIncluded[0].assigned);
}

TEST(Progenitor, OrderedByHeteroSumAlone) {
  Progenitor low = makeParent(2999, {{1, 2}});   // heteroSum 1
  Progenitor high = makeParent(1, {{1, 3}});     // heteroSum 2
  Progenitor tie = makeParent(5, {{10, 11}});    // heteroSum 1
  tie.included = true;
  EXPECT_TRUE(low < high);
  EXPECT_FALSE(high < low);
  EXPECT_FALSE(low < tie);
  EXPECT_FALSE(tie < low);
}

}  // namespace
