// Hand-worked LODs, mismatch counts and calls of the ranked table, on tiny
// tables with the allele frequencies given. Locus frequencies (both loci):
// 100: 0.1, 102: 0.2, 104: 0.5, 106: 0.2; the error rate e is 0.02.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "input/data.h"
#include "ranking/carrier_index.h"
#include "ranking/offspring_ranking.h"
#include "ranking/table_row.h"
#include "input/table_checks.h"

namespace {

const AlleleFrequencies kFrequencies({{{100, 0.1}, {102, 0.2}, {104, 0.5}, {106, 0.2}},
                                      {{100, 0.1}, {102, 0.2}, {104, 0.5}, {106, 0.2}}});

// Ranks the one offspring of `sons` against `parents` (two loci).
OffspringRanking rankOne(const std::string& parents, const std::string& sons,
                         int32_t knownMother = -1, int32_t maxMismatches = 2,
                         const std::vector<double>& locusErrorRates = {}) {
  const Data p = Data::fromText(parents, -99, "#");
  const Data s = Data::fromText(sons, -99, "#");
  const GenotypeTables tables{p.rows, s.rows, 2, contmadres(p.rows), -99};
  RankingSettings settings;
  settings.maxMismatches = maxMismatches;
  settings.locusErrorRates = locusErrorRates;
  OffspringRanker ranker(tables, kFrequencies, settings);
  OffspringRanking ranking;
  ranker.rank(0, knownMother, ranking);
  return ranking;
}

TEST(SingleLod, HandWorkedCases) {
  struct Case {
    const char* what;
    const char* mother;  // two loci and the identifier
    const char* son;
    double lod;
    int32_t mismatches;
  };
  // Heterozygous offspring a/b: e + (1-e)(copies of a / 4fa + copies of b / 4fb);
  // homozygous a/a: e + (1-e) copies / 2fa; an untyped side adds 0.
  const Case cases[] = {
      {"het offspring, one shared allele", "100 104 -99 -99 1", "100 102 -99 -99",
       std::log(0.02 + 0.98 * 2.5), 0},
      {"het offspring, homozygous mother", "102 102 -99 -99 1", "100 102 -99 -99",
       std::log(0.02 + 0.98 * 2.5), 0},
      {"het offspring, same genotype", "100 102 -99 -99 1", "100 102 -99 -99",
       std::log(0.02 + 0.98 * (2.5 + 1.25)), 0},
      {"hom offspring, hom mother", "104 104 -99 -99 1", "104 104 -99 -99",
       std::log(0.02 + 0.98 * 2.0), 0},
      {"hom offspring, one copy: ratio 1", "104 106 -99 -99 1", "104 104 -99 -99", 0.0, 0},
      {"mismatch carried by the error rate", "104 106 -99 -99 1", "100 102 -99 -99",
       std::log(0.02), 1},
      {"untyped offspring locus left out", "100 104 106 106 1", "100 102 -99 104",
       std::log(0.02 + 0.98 * 2.5), 0},
      {"two loci sum", "100 104 104 104 1", "102 100 104 104",
       std::log(2.47) + std::log(1.98), 0},
      {"untyped parent scores 0", "-99 -99 -99 -99 1", "100 102 104 104", 0.0, 0},
      {"mismatch and match", "104 106 104 104 1", "100 102 104 104",
       std::log(0.02) + std::log(1.98), 1},
  };
  for (const Case& c : cases) {
    const OffspringRanking r = rankOne(std::string(c.mother) + "\n", std::string(c.son) + "\n");
    ASSERT_TRUE(r.mother.found) << c.what;
    EXPECT_NEAR(r.mother.lod, c.lod, 1e-12) << c.what;
    EXPECT_EQ(r.mother.delta, r.mother.lod) << c.what << ": alone, delta is her LOD";
    EXPECT_EQ(r.mother.mismatches, c.mismatches) << c.what;
    EXPECT_FALSE(r.father.found) << c.what;
    EXPECT_FALSE(r.pair.found) << c.what;
  }
}

TEST(TrioLod, HandWorkedCases) {
  struct Case {
    const char* what;
    const char* parents;
    const char* son;
    double lod;
    int32_t mismatches;
  };
  // Per parent: T(x) = (1-e) copies/2 + e f(x), f(x) when untyped.
  // Het: (Tm(a)Tf(b) + Tm(b)Tf(a)) / 2fa fb; hom: Tm(a)Tf(a) / fa^2.
  const double ma = 0.49 + 0.002, mb = 0.004, fa = 0.002, fb = 0.49 + 0.004;
  const Case cases[] = {
      {"both phases", "100 104 -99 -99 1\n102 106 -99 -99 2001\n", "100 102 -99 -99\n",
       std::log((ma * fb + mb * fa) / (2 * 0.1 * 0.2)), 0},
      {"homozygous offspring", "104 106 -99 -99 1\n104 104 -99 -99 2001\n", "104 104 -99 -99\n",
       std::log(0.5 * 0.99 / 0.25), 0},
      {"both parents carry only a", "100 104 -99 -99 1\n100 106 -99 -99 2001\n",
       "100 102 -99 -99\n",
       std::log((0.492 * 0.004 + 0.004 * 0.492) / (2 * 0.1 * 0.2)), 1},
      {"untyped mother: the father's single LOD", "-99 -99 -99 -99 1\n102 106 -99 -99 2001\n",
       "100 102 -99 -99\n", std::log(0.02 + 0.98 * 1.25), 0},
  };
  for (const Case& c : cases) {
    const OffspringRanking r = rankOne(c.parents, c.son);
    ASSERT_TRUE(r.pair.found) << c.what;
    EXPECT_NEAR(r.pair.lod, c.lod, 1e-12) << c.what;
    EXPECT_EQ(r.pair.mismatches, c.mismatches) << c.what;
  }
}

TEST(Ranking, BestRunnerUpAndKnownMother) {
  // Mother 1 carries both offspring alleles at locus 1, mother 2 one of them,
  // mother 3 is untyped (0) and mother 4 mismatches twice (out of scope at K=1).
  const std::string parents =
      "100 102 104 104 1\n100 104 104 104 2\n-99 -99 -99 -99 3\n104 106 106 106 4\n"
      "102 106 104 106 2001\n104 104 104 104 2002\n";
  const std::string son = "100 102 104 104\n";
  const double hom = std::log(1.98);
  const OffspringRanking r = rankOne(parents, son, -1, 1);
  EXPECT_EQ(r.mothersScored, 3);
  EXPECT_EQ(r.fathersScored, 2);
  EXPECT_EQ(r.mother.mother, 0);
  EXPECT_NEAR(r.mother.lod, std::log(0.02 + 0.98 * 3.75) + hom, 1e-12);
  EXPECT_NEAR(r.mother.delta, std::log(0.02 + 0.98 * 3.75) - std::log(2.47), 1e-12);
  EXPECT_EQ(r.father.father, 4);
  EXPECT_EQ(r.pair.mother, 0);
  EXPECT_EQ(r.pair.father, 4);

  // Mother 2 known: she is reported, her delta over the best other mother,
  // the father ranked by the trio LOD minus her single LOD.
  const OffspringRanking k = rankOne(parents, son, 1, 1);
  EXPECT_TRUE(k.knownMother);
  EXPECT_EQ(k.mother.mother, 1);
  EXPECT_NEAR(k.mother.delta, std::log(2.47) - std::log(0.02 + 0.98 * 3.75), 1e-12);
  EXPECT_EQ(k.pair.mother, 1);
  EXPECT_EQ(k.pair.father, k.father.father);
  EXPECT_NEAR(k.father.lod, k.pair.lod - k.mother.lod, 1e-12);
  EXPECT_EQ(k.pair.delta, k.father.delta);
}

// A rate per locus: each locus's ratio uses its own e (e1 at locus 1, e2 at
// locus 2); the single LOD of mother 1 and the trio LOD of 1 x 2001.
TEST(PerLocusErrorRates, HandWorkedTwoLocusCases) {
  struct Case {
    const char* what;
    const char* parents;
    double e1, e2;
    double motherLod;
    double pairLod;  // NAN: no father
  };
  const char* const son = "100 102 104 104\n";
  // Het 100/102 at locus 1 from (100,104): e1 + (1-e1) 1/4f(100); hom 104 at
  // locus 2 from (104,104): e2 + (1-e2) 2/2f(104).
  const auto single = [](double e1, double e2) {
    return std::log(e1 + (1 - e1) * 2.5) + std::log(e2 + (1 - e2) * 2.0);
  };
  // Trio with father (102,106)(104,104): T(x) = (1-e) copies/2 + e f(x).
  const auto trio = [](double e1, double e2) {
    const double ma = (1 - e1) / 2 + e1 * 0.1, mb = e1 * 0.2;
    const double fa = e1 * 0.1, fb = (1 - e1) / 2 + e1 * 0.2;
    const double t2 = (1 - e2) + e2 * 0.5;
    return std::log((ma * fb + mb * fa) / (2 * 0.1 * 0.2)) + std::log(t2 * t2 / 0.25);
  };
  const char* const pair = "100 104 104 104 1\n102 106 104 104 2001\n";
  const Case cases[] = {
      {"equal rates as one rate", pair, 0.02, 0.02, single(0.02, 0.02), trio(0.02, 0.02)},
      {"a noisy second locus", pair, 0.01, 0.2, single(0.01, 0.2), trio(0.01, 0.2)},
      {"a noisy first locus", pair, 0.3, 0.001, single(0.3, 0.001), trio(0.3, 0.001)},
      {"a mismatch costs its own locus's rate", "104 106 104 104 1\n", 0.05, 0.2,
       std::log(0.05) + std::log(0.2 + 0.8 * 2.0), NAN},
  };
  for (const Case& c : cases) {
    const OffspringRanking r = rankOne(c.parents, son, -1, 2, {c.e1, c.e2});
    ASSERT_TRUE(r.mother.found) << c.what;
    EXPECT_NEAR(r.mother.lod, c.motherLod, 1e-12) << c.what;
    EXPECT_EQ(r.pair.found, !std::isnan(c.pairLod)) << c.what;
    if (r.pair.found) {
      EXPECT_NEAR(r.pair.lod, c.pairLod, 1e-12) << c.what;
    }
  }
  // One rate for every locus and the same rate per locus rank alike.
  const OffspringRanking one = rankOne(pair, son);
  const OffspringRanking each = rankOne(pair, son, -1, 2, {0.02, 0.02});
  EXPECT_EQ(one.pair.lod, each.pair.lod);
}

TEST(TableCells, CallsAndFixedDecimals) {
  const struct {
    double lod, delta;
    const char* call;
  } calls[] = {{3.0, 2.0, "confident"}, {3.0, 1.999, "ambiguous"}, {0.001, 5.0, "confident"},
               {0.0, 5.0, "unlikely"},  {-1.0, 5.0, "unlikely"}};
  for (const auto& c : calls) EXPECT_STREQ(callOf(c.lod, c.delta, 2.0), c.call) << c.lod;
  const std::pair<double, const char*> numbers[] = {
      {0.5, "0.500"}, {-3.912023005, "-3.912"}, {12.0, "12.000"}, {-0.0004, "0.000"},
      {0.0, "0.000"}, {1.9996, "2.000"},        {-10.25, "-10.250"}};
  for (const auto& [value, text] : numbers) {
    std::string out;
    appendFixed(out, value);
    EXPECT_EQ(out, text) << value;
  }
}

// Counted over every typed individual once, parents and offspring; a locus
// with an untyped allele is not counted; wide and narrow allele spans alike.
TEST(AlleleFrequencies, CountedFromBothTables) {
  const Data p = Data::fromText("100 102 7 2000000000 1\n-99 102 7 7 2000\n", -99, "#");
  const Data s = Data::fromText("102 104 -99 -99\n", -99, "#");
  const GenotypeTables tables{p.rows, s.rows, 2, 1, -99};
  const AlleleFrequencies f = AlleleFrequencies::count(tables);
  const struct {
    int32_t locus, allele;
    double frequency;
  } cases[] = {{0, 100, 0.25}, {0, 102, 0.5},  {0, 104, 0.25},        {0, 106, kFrequencyFloor},
               {1, 7, 0.75},   {1, 2000000000, 0.25}, {1, 8, kFrequencyFloor}};
  for (const auto& c : cases) EXPECT_EQ(f.of(c.locus, c.allele), c.frequency) << c.allele;
}

// The bit-sliced scope search against counting every parent's mismatches.
TEST(CarrierIndex, ScopeMatchesCountingOnRandomTables) {
  std::mt19937 rng(7);
  const int loci = 9;
  std::string parents;
  std::string sons;
  // Locus 0 spans too many values for the slot array: searched instead.
  int k = 0;
  auto allele = [&rng, &k]() {
    const int value = rng() % 11 == 0 ? -99 : 100 + 2 * static_cast<int>(rng() % 5);
    return value > 0 && k++ % (2 * loci) < 2 ? value * 100003 : value;
  };
  for (int j = 0; j < 150; ++j) {
    for (int k = 0; k < 2 * loci; ++k) parents += std::to_string(allele()) + " ";
    parents += std::to_string(j < 70 ? j + 1 : 2000 + j) + "\n";
  }
  for (int i = 0; i < 40; ++i) {
    for (int k = 0; k < 2 * loci; ++k) sons += std::to_string(allele()) + " ";
    sons += "\n";
  }
  const Data p = Data::fromText(parents, -99, "#");
  const Data s = Data::fromText(sons, -99, "#");
  const GenotypeTables tables{p.rows, s.rows, loci, 70, -99};
  const CarrierIndex index(tables);
  std::vector<int32_t> found;
  for (int32_t limit : {0, 1, 2, 4, 9}) {
    for (size_t i = 0; i < s.rows.size(); ++i) {
      std::vector<int32_t> expected;
      const int* son = s.rows[i].data();
      for (size_t j = 0; j < p.rows.size(); ++j) {
        const int* parent = p.rows[j].data();
        int mismatches = 0;
        for (int k = 0; k < loci; ++k) {
          if (!locusTyped(son, k, -99) || !locusTyped(parent, k, -99)) continue;
          const bool shares = son[2 * k] == parent[2 * k] || son[2 * k] == parent[2 * k + 1] ||
                              son[2 * k + 1] == parent[2 * k] ||
                              son[2 * k + 1] == parent[2 * k + 1];
          mismatches += !shares;
        }
        if (mismatches <= limit) expected.push_back(static_cast<int32_t>(j));
      }
      index.scope(son, limit, found);
      EXPECT_EQ(found, expected) << "offspring " << i << ", K " << limit;
    }
  }
}

}  // namespace
