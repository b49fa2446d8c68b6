// The singles' kernels of SNP panels against the scalar loop, at the edges
// of their layouts: panels of 1 to 130 loci (past one and two 64-locus
// registers), offspring with no untyped locus, a few, and more than the AVX2
// kernel gathers (it then leaves them to the scalar loop).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "ranking/offspring_ranking.h"
#include "util/cpu_features.h"

namespace {

struct Panel {
  std::vector<std::vector<int>> parents;
  std::vector<std::vector<int>> offspring;
};

// 24 mothers and 24 fathers typed 1/2 (a few untyped alleles), and offspring
// of random pairs with `untyped` loci each left untyped.
Panel makePanel(int loci, int untyped, unsigned seed) {
  std::mt19937 rng(seed);
  Panel p;
  for (int j = 0; j < 48; ++j) {
    std::vector<int> row;
    for (int k = 0; k < 2 * loci; ++k) row.push_back(rng() % 40 == 0 ? -99 : 1 + (rng() % 3 == 0));
    row.push_back(j < 24 ? j + 1 : 2000 + j);
    p.parents.push_back(row);
  }
  for (int i = 0; i < 12; ++i) {
    const std::vector<int>& mother = p.parents[rng() % 24];
    const std::vector<int>& father = p.parents[24 + rng() % 24];
    std::vector<int> row;
    for (int k = 0; k < loci; ++k) {
      const int a = mother[2 * k + rng() % 2];
      const int b = father[2 * k + rng() % 2];
      row.push_back(a == -99 || b == -99 ? 1 : a);
      row.push_back(a == -99 || b == -99 ? 2 : b);
    }
    for (int u = 0; u < untyped; ++u) {
      const size_t k = rng() % static_cast<size_t>(loci);
      row[2 * k] = row[2 * k + 1] = -99;
    }
    p.offspring.push_back(row);
  }
  return p;
}

// Every candidate's fast LOD, then its exact LOD and mismatching loci (both
// read from the states the kernel wrote).
std::vector<std::tuple<int32_t, double, double, int32_t>> singlesOf(OffspringRanker& ranker,
                                                                   size_t offspring) {
  std::vector<std::tuple<int32_t, double, double, int32_t>> singles;
  OffspringRanking ranking;
  ranker.scoreEveryCandidateExactly(false);
  ranker.rank(offspring, -1, ranking);
  for (const auto* side : {&ranker.scoredMothers(), &ranker.scoredFathers()}) {
    for (const OffspringRanker::Scored& s : *side) singles.emplace_back(s.row, s.lod, 0.0, 0);
  }
  std::sort(singles.begin(), singles.end());
  ranker.scoreEveryCandidateExactly(true);
  ranker.rank(offspring, -1, ranking);
  for (const auto* side : {&ranker.scoredMothers(), &ranker.scoredFathers()}) {
    for (const OffspringRanker::Scored& s : *side) {
      const auto at = std::lower_bound(singles.begin(), singles.end(), s.row,
                                       [](const auto& x, int32_t row) { return std::get<0>(x) < row; });
      EXPECT_TRUE(at != singles.end() && std::get<0>(*at) == s.row);
      if (at == singles.end()) continue;
      std::get<2>(*at) = s.lod;
      std::get<3>(*at) = s.mismatches;
    }
  }
  return singles;
}

TEST(SinglesKernels, GiveTheScalarLoopsLodsToTheLastBit) {
  for (int loci : {1, 3, 4, 5, 31, 33, 63, 64, 65, 96, 127, 128, 130}) {
    for (int untyped : {0, 3, 20}) {
      const Panel p = makePanel(loci, untyped, static_cast<unsigned>(loci * 31 + untyped));
      const GenotypeTables tables{p.parents, p.offspring, loci, 24, -99};
      const AlleleFrequencies frequencies = AlleleFrequencies::count(tables);
      RankingSettings settings;
      settings.maxMismatches = loci;  // every candidate scored
      for (size_t i = 0; i < p.offspring.size(); ++i) {
        useKernel(KernelKind::Portable);
        OffspringRanker portable(tables, frequencies, settings);
        const auto expected = singlesOf(portable, i);
        ASSERT_EQ(expected.size(), 48u);
        for (KernelKind kind : availableKernels()) {
          useKernel(kind);
          OffspringRanker ranker(tables, frequencies, settings);
          EXPECT_EQ(singlesOf(ranker, i), expected)
              << loci << " loci, " << untyped << " untyped, offspring " << i << ", kind "
              << static_cast<int>(kind);
        }
      }
    }
  }
  useDefaultKernel();
}

}  // namespace
