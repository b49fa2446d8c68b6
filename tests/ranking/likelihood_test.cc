// Hand-worked LODs, mismatch counts and calls of the ranked table, on tiny
// tables with the allele frequencies given. Locus frequencies (both loci):
// 100: 0.1, 102: 0.2, 104: 0.5, 106: 0.2; the error rate e is 0.02.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <algorithm>

#include "input/data.h"
#include "ranking/carrier_index.h"
#include "ranking/offspring_ranking.h"
#include "ranking/table_row.h"
#include "spheres/locus_distance.h"
#include "util/cpu_features.h"
#include "input/table_checks.h"

namespace {

const AlleleFrequencies kFrequencies({{{100, 0.1}, {102, 0.2}, {104, 0.5}, {106, 0.2}},
                                      {{100, 0.1}, {102, 0.2}, {104, 0.5}, {106, 0.2}}});

// Ranks the one offspring of `sons` against `parents` (two loci).
OffspringRanking rankOne(const std::string& parents, const std::string& sons,
                         int32_t knownMother = -1, int32_t maxMismatches = 2,
                         RankingSettings settings = RankingSettings()) {
  const Data p = Data::fromText(parents, -99, "#");
  const Data s = Data::fromText(sons, -99, "#");
  const GenotypeTables tables{p.rows, s.rows, 2, contmadres(p.rows), -99};
  settings.maxMismatches = maxMismatches;
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
    RankingSettings settings;
    settings.locusErrorRates = {c.e1, c.e2};
    const OffspringRanking r = rankOne(c.parents, son, -1, 2, settings);
    ASSERT_TRUE(r.mother.found) << c.what;
    EXPECT_NEAR(r.mother.lod, c.motherLod, 1e-12) << c.what;
    EXPECT_EQ(r.pair.found, !std::isnan(c.pairLod)) << c.what;
    if (r.pair.found) {
      EXPECT_NEAR(r.pair.lod, c.pairLod, 1e-12) << c.what;
    }
  }
  // One rate for every locus and the same rate per locus rank alike.
  const OffspringRanking one = rankOne(pair, son);
  RankingSettings each02;
  each02.locusErrorRates = {0.02, 0.02};
  const OffspringRanking each = rankOne(pair, son, -1, 2, each02);
  EXPECT_EQ(one.pair.lod, each.pair.lod);
}

TEST(TableCells, CallsAndFixedDecimals) {
  CallThresholds calibrated;
  calibrated.strictDelta = 3.0;
  calibrated.relaxedDelta = 1.0;
  const struct {
    double lod, delta, posterior;
    CallThresholds thresholds;
    double minDelta;
    Call call;
  } calls[] = {
      {3.0, 0.5, 0.95, {}, 0.0, Call::Strict},
      {3.0, 0.5, 0.9499, {}, 0.0, Call::Relaxed},
      {3.0, 0.5, 0.80, {}, 0.0, Call::Relaxed},
      {3.0, 0.5, 0.7999, {}, 0.0, Call::Ambiguous},
      {0.0, 5.0, 1.0, {}, 0.0, Call::Unlikely},
      {-1.0, 5.0, 1.0, {}, 0.0, Call::Unlikely},
      // --min-delta: an extra floor for both levels.
      {3.0, 1.999, 0.99, {}, 2.0, Call::Ambiguous},
      {3.0, 2.0, 0.99, {}, 2.0, Call::Strict},
      // Calibrated deltas: strict needs 3, relaxed 1; the larger of a
      // threshold and --min-delta counts.
      {5.0, 2.9, 0.99, calibrated, 0.0, Call::Relaxed},
      {5.0, 3.0, 0.99, calibrated, 0.0, Call::Strict},
      {5.0, 0.9, 0.99, calibrated, 0.0, Call::Ambiguous},
      {5.0, 3.0, 0.99, calibrated, 4.0, Call::Ambiguous},
  };
  for (const auto& c : calls) {
    EXPECT_EQ(callOf(c.lod, c.delta, c.posterior, c.thresholds, c.minDelta), c.call)
        << c.lod << " " << c.delta << " " << c.posterior;
  }
  const std::pair<double, const char*> posteriors[] = {
      {0.0, "0.0000"}, {1.0, "1.0000"}, {0.95, "0.9500"}, {0.123456, "0.1235"}, {0.99996, "1.0000"}};
  for (const auto& [value, text] : posteriors) {
    std::string out;
    appendPosterior(out, value);
    EXPECT_EQ(out, text) << value;
  }
  const std::pair<double, const char*> numbers[] = {
      {0.5, "0.500"}, {-3.912023005, "-3.912"}, {12.0, "12.000"}, {-0.0004, "0.000"},
      {0.0, "0.000"}, {1.9996, "2.000"},        {-10.25, "-10.250"}};
  for (const auto& [value, text] : numbers) {
    std::string out;
    appendFixed(out, value);
    EXPECT_EQ(out, text) << value;
  }
}

// Posteriors worked by hand at one locus (the other untyped), offspring
// 100/102: mother 1 (100,102) ratio e + (1-e) 3.75 = 3.695, mother 2 (100,104)
// 2.47, father (102,106) 1.245, trio of mother 2 and the father
// (0.492 * 0.494 + 0.004 * 0.002) / (2 * 0.1 * 0.2) = 6.0764 (see TrioLod).
// Each of the N mothers weighs P/N beforehand, an unsampled mother 1 - P.
TEST(Posterior, HandWorkedTinyCases) {
  const double r1 = 3.695, r2 = 2.47, rf = 1.245, trio = 6.0764;
  const std::string twoMothers = "100 102 -99 -99 1\n100 104 -99 -99 2\n";
  const std::string trioParents = "100 104 -99 -99 1\n102 106 -99 -99 2001\n";
  const std::string son = "100 102 -99 -99\n";
  const struct {
    const char* what;
    const std::string& parents;
    int32_t known;
    double mothers, fathers;  // the sampled shares
    double mother, father, pair;  // posteriors, -1 where there is no candidate
  } cases[] = {
      {"two mothers, half sampled", twoMothers, -1, 0.5, 0.5,
       0.25 * r1 / (0.25 * (r1 + r2) + 0.5), -1, -1},
      {"two mothers, all sampled", twoMothers, -1, 1.0, 0.5, r1 / (r1 + r2), -1, -1},
      {"two mothers, a fifth sampled", twoMothers, -1, 0.2, 0.5,
       0.1 * r1 / (0.1 * (r1 + r2) + 0.8), -1, -1},
      {"a known mother counts among the others", twoMothers, 1, 0.5, 0.5,
       0.25 * r2 / (0.25 * (r1 + r2) + 0.5), -1, -1},
      {"pair: both, one or neither sampled", trioParents, -1, 0.5, 0.8,
       0.5 * r2 / (0.5 * r2 + 0.5), 0.8 * rf / (0.8 * rf + 0.2),
       0.4 * trio / (0.4 * trio + 0.1 * r2 + 0.4 * rf + 0.1)},
      {"pair given the known mother: the father's", trioParents, 0, 0.5, 0.8,
       0.5 * r2 / (0.5 * r2 + 0.5), 0.8 * (trio / r2) / (0.8 * (trio / r2) + 0.2),
       0.8 * (trio / r2) / (0.8 * (trio / r2) + 0.2)},
  };
  for (const auto& c : cases) {
    RankingSettings settings;
    settings.sampledMothers = c.mothers;
    settings.sampledFathers = c.fathers;
    const OffspringRanking r = rankOne(c.parents, son, c.known, 2, settings);
    EXPECT_NEAR(r.mother.posterior, c.mother, 1e-4) << c.what;
    EXPECT_EQ(r.father.found, c.father >= 0) << c.what;
    EXPECT_EQ(r.pair.found, c.pair >= 0) << c.what;
    if (c.father >= 0) {
      EXPECT_NEAR(r.father.posterior, c.father, 1e-4) << c.what;
    }
    if (c.pair >= 0) {
      EXPECT_NEAR(r.pair.posterior, c.pair, 1e-4) << c.what;
    }
  }
  // The runner-up of the two mothers and the delta over her.
  const OffspringRanking r = rankOne(twoMothers, son);
  EXPECT_EQ(r.mother.runnerUpMother, 1);
  EXPECT_NEAR(r.mother.delta, std::log(r1) - std::log(r2), 1e-12);
}

// Delta is over the runner-up or an unsampled parent (LOD 0), whichever is
// higher; a known mother's pair is never surer than her father.
TEST(Posterior, DeltaFloorAndKnownMotherPair) {
  // Mother 2 mismatches (ln e < 0): mother 1's delta is her own LOD.
  const OffspringRanking floor =
      rankOne("100 102 -99 -99 1\n104 106 -99 -99 2\n", "100 102 -99 -99\n");
  EXPECT_NEAR(floor.mother.lod, std::log(3.695), 1e-12);
  EXPECT_EQ(floor.mother.delta, floor.mother.lod);
  EXPECT_EQ(floor.mother.runnerUpMother, 1);
  // The only father is untyped: his LOD given the mother is 0 (unlikely),
  // while the pair's LOD is hers and, all fathers sampled, its posterior 1.
  RankingSettings settings;
  settings.sampledFathers = 1.0;
  const OffspringRanking known = rankOne("100 102 104 104 1\n-99 -99 -99 -99 2001\n",
                                         "100 102 104 104\n", 0, 2, settings);
  EXPECT_EQ(known.mother.call, Call::Known);
  EXPECT_EQ(known.father.call, Call::Unlikely);
  EXPECT_GT(known.pair.lod, 0.0);
  EXPECT_EQ(known.pair.posterior, 1.0);
  EXPECT_EQ(known.pair.call, Call::Unlikely);
}

// The pair search against scoring every pair of scoped candidates, on random
// populations of microsatellites and of SNPs (where the pairs get bounds):
// the same best pair, LOD, runner-up and delta; with every parent sampled, a
// pair posterior at most 1e-3 below the one every pair scored gives, and never
// above it; the same ranking from every kind of kernel, to the last bit of
// each posterior (the singles' kernels give the same LODs).
TEST(PairSearch, MatchesEveryPairOnRandomPopulations) {
  struct Design {
    int loci;
    bool snp;
    std::vector<int32_t> limits;
  };
  for (const Design& design : {Design{7, false, {1, 3, 7}}, Design{40, true, {4, 40}}}) {
  const int loci = design.loci;
  for (unsigned seed : {1u, 2u, 3u}) {
    std::mt19937 rng(seed);
    const auto allele = [&rng, &design]() {
      if (rng() % 25 == 0) return -99;
      if (design.snp) return 1 + static_cast<int>(rng() % 3 == 0);
      return 100 + 2 * static_cast<int>(rng() % (4 + rng() % 6));
    };
    std::string parents, sons;
    for (int j = 0; j < 60; ++j) {
      for (int k = 0; k < 2 * loci; ++k) parents += std::to_string(allele()) + " ";
      parents += std::to_string(j < 30 ? j + 1 : 2000 + j) + "\n";
    }
    for (int i = 0; i < 40; ++i) {
      for (int k = 0; k < 2 * loci; ++k) sons += std::to_string(allele()) + " ";
      sons += "\n";
    }
    const Data p = Data::fromText(parents, -99, "#");
    const Data s = Data::fromText(sons, -99, "#");
    const GenotypeTables tables{p.rows, s.rows, loci, 30, -99};
    const AlleleFrequencies frequencies = AlleleFrequencies::count(tables);
    const CarrierIndex index(tables);
    for (int32_t limit : design.limits) {
      RankingSettings settings;
      settings.maxMismatches = limit;
      settings.sampledMothers = 1.0;
      settings.sampledFathers = 1.0;
      OffspringRanker ranker(tables, frequencies, settings);
      for (size_t i = 0; i < s.rows.size(); ++i) {
        OffspringRanking r;
        ranker.rankRow(s.rows[i].data(), -1, r);
        for (KernelKind kind : availableKernels()) {
          useKernel(kind);
          OffspringRanking again;
          ranker.rankRow(s.rows[i].data(), -1, again);
          EXPECT_EQ(again.pair.posterior, r.pair.posterior);
          EXPECT_EQ(again.mother.posterior, r.mother.posterior);
          EXPECT_EQ(again.father.posterior, r.father.posterior);
          EXPECT_EQ(again.mother.mismatches, r.mother.mismatches);
          EXPECT_EQ(again.pair.mother, r.pair.mother);
          EXPECT_EQ(again.pair.father, r.pair.father);
          EXPECT_EQ(again.pair.lod, r.pair.lod);
          EXPECT_EQ(again.pair.delta, r.pair.delta);
          EXPECT_EQ(again.pair.runnerUpMother, r.pair.runnerUpMother);
          EXPECT_EQ(again.pair.runnerUpFather, r.pair.runnerUpFather);
        }
        useDefaultKernel();
        std::vector<OffspringLocus> typed;
        offspringLoci(s.rows[i].data(), -99, frequencies, typed);
        std::vector<int32_t> scope;
        index.scope(s.rows[i].data(), limit, scope);
        // The near distance the table shows: the spheres' near terms over
        // the loci typed in both.
        for (int32_t m : scope) {
          int64_t near = 0;
          for (int k = 0; k < loci; ++k) {
            const int* o = s.rows[i].data() + 2 * k;
            const int* c = p.rows[m].data() + 2 * k;
            if (o[0] == -99 || o[1] == -99 || c[0] == -99 || c[1] == -99) continue;
            int64_t term = 0, far = 0;
            locusTerms(o[0], o[1], c[0], c[1], &term, &far);
            near += term;
          }
          EXPECT_EQ(ranker.nearDistance(m), near) << "parent " << m << ", offspring " << i;
        }
        // Every pair, best first; LODs within 1e-9 tie and go to the
        // earlier mother, then the earlier father.
        std::vector<std::tuple<double, int32_t, int32_t>> pairs;
        for (int32_t m : scope) {
          for (int32_t f : scope) {
            if (!tables.isMother(m) || tables.isMother(f)) continue;
            double lod = 0;
            for (const OffspringLocus& o : typed) {
              const int* pm = p.rows[m].data() + 2 * o.locus;
              const int* pf = p.rows[f].data() + 2 * o.locus;
              lod += std::log(trioRatio(o, transmission(o, pm[0], pm[1], -99, 0.02),
                                        transmission(o, pf[0], pf[1], -99, 0.02)));
            }
            pairs.emplace_back(lod, m, f);
          }
        }
        const std::string what = "seed " + std::to_string(seed) + ", K " +
                                 std::to_string(limit) + ", offspring " + std::to_string(i);
        ASSERT_EQ(r.pair.found, !pairs.empty()) << what;
        if (pairs.empty()) continue;
        std::sort(pairs.begin(), pairs.end(), [](const auto& x, const auto& y) {
          if (std::abs(std::get<0>(x) - std::get<0>(y)) > 1e-9) return std::get<0>(x) > std::get<0>(y);
          return std::make_pair(std::get<1>(x), std::get<2>(x)) <
                 std::make_pair(std::get<1>(y), std::get<2>(y));
        });
        EXPECT_EQ(r.pair.mother, std::get<1>(pairs[0])) << what;
        EXPECT_EQ(r.pair.father, std::get<2>(pairs[0])) << what;
        EXPECT_NEAR(r.pair.lod, std::get<0>(pairs[0]), 1e-9) << what;
        const double runnerUp = pairs.size() > 1 ? std::get<0>(pairs[1]) : 0.0;
        EXPECT_NEAR(r.pair.delta, std::get<0>(pairs[0]) - std::max(runnerUp, 0.0), 1e-9) << what;
        if (pairs.size() > 1) {
          EXPECT_EQ(r.pair.runnerUpMother, std::get<1>(pairs[1])) << what;
          EXPECT_EQ(r.pair.runnerUpFather, std::get<2>(pairs[1])) << what;
        }
        double sum = 0.0;
        for (const auto& pair : pairs) sum += std::exp(std::get<0>(pair) - std::get<0>(pairs[0]));
        EXPECT_NEAR(r.pair.posterior, 1.0 / sum, 1e-3) << what;
      }
    }
  }
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
  // Counted on several threads, a run of loci each: the same entries, the
  // sparse locus included, whatever the number (more threads than loci too).
  for (unsigned threads : {2u, 3u}) {
    const AlleleFrequencies again = AlleleFrequencies::count(tables, threads);
    for (int32_t locus = 0; locus < 2; ++locus) {
      EXPECT_EQ(again.allelesAt(locus), f.allelesAt(locus)) << threads;
      EXPECT_EQ(again.frequenciesAt(locus), f.frequenciesAt(locus)) << threads;
    }
  }
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
