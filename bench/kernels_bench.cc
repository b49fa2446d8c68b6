// Micro-benchmarks of the kernels that dominate a run: the sphere search of
// one offspring against every parent (allele index for small radii, block
// scan for wide ones, and the record-based reference), and the compatibility
// test of one pair (bit masks against checkCompatibility), the pairing set-up
// of one offspring and its genotype text; the pair bounds of one offspring
// (every pair of its candidates weighed, and the candidates' masks built);
// the ranking of SNP offspring, whose singles have a kernel of their own.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "reference/compatibility.h"
#include "families/fit_masks.h"
#include "reference/builders.h"
#include "input/data.h"
#include "reference/espacio.h"
#include "reports/report_text.h"
#include "spheres/narrow_scan.h"
#include "spheres/parent_panel.h"
#include "ranking/allele_frequencies.h"
#include "ranking/likelihood_ratio.h"
#include "ranking/offspring_ranking.h"
#include "ranking/pair_bounds.h"
#include "util/cpu_features.h"

namespace {

// A hatchery-like population: loci of 10 to 25 alleles in steps of 2 or 4
// with skewed frequencies; offspring drawn from random parent pairs.
struct Population {
  Data parents = Data::fromText("", -99, "#");
  Data sons = Data::fromText("", -99, "#");
};

Population makePopulation(int parentCount, int sonCount, int loci) {
  std::mt19937 rng(12345);
  std::vector<std::vector<int>> alleles(static_cast<size_t>(loci));
  std::vector<std::discrete_distribution<int>> pick;
  for (auto& locus : alleles) {
    const int count = std::uniform_int_distribution<int>(10, 25)(rng);
    const int step = std::uniform_int_distribution<int>(0, 1)(rng) == 0 ? 2 : 4;
    std::vector<double> weights;
    for (int a = 0; a < count; ++a) {
      locus.push_back(100 + step * a);
      weights.push_back(1.0 / (1 + a));
    }
    pick.emplace_back(weights.begin(), weights.end());
  }
  std::string parents, sons;
  std::vector<std::vector<int>> genotypes;
  for (int j = 0; j < parentCount; ++j) {
    std::vector<int> g;
    for (int k = 0; k < loci; ++k) {
      for (int copy = 0; copy < 2; ++copy) {
        g.push_back(alleles[static_cast<size_t>(k)][static_cast<size_t>(pick[static_cast<size_t>(k)](rng))]);
        parents += std::to_string(g.back()) + " ";
      }
    }
    parents += std::to_string(j < parentCount / 2 ? j + 1 : 2000 + j) + "\n";
    genotypes.push_back(g);
  }
  std::uniform_int_distribution<int> parent(0, parentCount - 1), side(0, 1);
  for (int i = 0; i < sonCount; ++i) {
    const auto& mother = genotypes[static_cast<size_t>(parent(rng) % (parentCount / 2))];
    const auto& father = genotypes[static_cast<size_t>(parentCount / 2 + parent(rng) % (parentCount / 2))];
    for (int k = 0; k < loci; ++k) {
      sons += std::to_string(mother[static_cast<size_t>(2 * k + side(rng))]) + " " +
              std::to_string(father[static_cast<size_t>(2 * k + side(rng))]) + " ";
    }
    sons += "\n";
  }
  Population p;
  p.parents = Data::fromText(parents, -99, "#");
  p.sons = Data::fromText(sons, -99, "#");
  p.parents.nLoci = loci;
  p.sons.nLoci = loci;
  return p;
}

// Second argument: the kernels, 0 portable, 1 AVX2, 2 AVX-512 (of the block scan
// and the allele index alike).
void BM_SphereSearch(benchmark::State& state) {
  const int radius = static_cast<int>(state.range(0));
  const auto kernel = static_cast<KernelKind>(state.range(1));
  const std::vector<KernelKind> available = availableKernels();
  if (std::find(available.begin(), available.end(), kernel) == available.end()) {
    state.SkipWithError("the processor lacks this kernel");
    return;
  }
  useKernel(kernel);
  const Population p = makePopulation(4000, 256, 16);
  const ParentPanel panel(p.parents, -99);
  std::vector<SphereHit> hits;
  size_t i = 0;
  for (auto _ : state) {
    hits.clear();
    panel.findCandidates(p.sons.rows[i++ % p.sons.rows.size()].data(), radius, 0, panel.size(),
                         hits);
    benchmark::DoNotOptimize(hits.data());
  }
  static const char* const kKernels[] = {"portable", "AVX2", "AVX-512"};
  state.SetLabel(std::string(panel.usesIndexFor(radius) ? "allele index" : "block scan") + ", " +
                 kKernels[state.range(1)] + " kernel");
  state.counters["parents/s"] =
      benchmark::Counter(static_cast<double>(panel.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SphereSearch)->ArgsProduct({{0, 2, 6, 8, 20}, {0, 1, 2}});

void BM_SphereSearchReference(benchmark::State& state) {
  valoresperdidos = -99;
  const Population p = makePopulation(4000, 16, 16);
  const Son son = generateSon(p.sons, 0);
  std::vector<Progenitor> parents;
  for (int j = 0; j < static_cast<int>(p.parents.rows.size()); ++j) {
    parents.push_back(generateParent(p.parents, j));
  }
  for (auto _ : state) {
    int inside = 0;
    for (const Progenitor& parent : parents) {
      inside += Espacio::D1(Punto(son.genotype), Punto(parent.genotype)).allele1 <= 2;
    }
    benchmark::DoNotOptimize(inside);
  }
}
BENCHMARK(BM_SphereSearchReference);

void BM_CompatibilityMasks(benchmark::State& state) {
  const Population p = makePopulation(64, 1, 16);
  FitMasks masks;
  masks.reset(p.sons.rows[0].data(), 16, 2, 2, -99);
  for (const auto& row : p.parents.rows) masks.add(row.data());
  size_t pair = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(masks.compatible(pair % 32, 32 + (pair / 32) % 32));
    ++pair;
  }
}
BENCHMARK(BM_CompatibilityMasks);

// The per-offspring pairing set-up: the offspring's windows, then the masks of
// its ranked candidates (argument: how many).
void BM_PairingMasks(benchmark::State& state) {
  const Population p = makePopulation(64, 16, 16);
  const size_t candidates = static_cast<size_t>(state.range(0));
  FitMasks masks;
  size_t i = 0;
  for (auto _ : state) {
    masks.reset(p.sons.rows[i++ % p.sons.rows.size()].data(), 16, 2, 2, -99);
    for (size_t c = 0; c < candidates; ++c) masks.add(p.parents.rows[c].data());
    benchmark::DoNotOptimize(masks.compatible(0, candidates - 1));
  }
}
BENCHMARK(BM_PairingMasks)->Arg(2)->Arg(32);

// The genotype listing's bulk: one 16-locus genotype as text.
void BM_GenotypeText(benchmark::State& state) {
  const Population p = makePopulation(64, 1, 16);
  std::string text;
  size_t j = 0;
  for (auto _ : state) {
    text.clear();
    appendGenotype(text, p.parents.rows[j++ % p.parents.rows.size()].data(), 16);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_GenotypeText);

void BM_CompatibilityReference(benchmark::State& state) {
  const Population p = makePopulation(64, 1, 16);
  Son son = generateSon(p.sons, 0);
  son.radiusNear = son.radiusFar = 2;
  std::vector<Progenitor> parents;
  for (int j = 0; j < 64; ++j) parents.push_back(generateParent(p.parents, j));
  size_t pair = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        checkCompatibility(son, parents[pair % 32], parents[32 + (pair / 32) % 32], -99));
    ++pair;
  }
}
BENCHMARK(BM_CompatibilityReference);

// One offspring heterozygous at `loci` loci and `count` candidates of each
// sex in random states, LODs falling as in a run.
struct BoundsPopulation {
  PairBounds bounds;
  std::vector<OffspringLocus> typed;
  std::vector<LocusStates> states;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<int32_t> slots[2];
  std::vector<double> lods[2];
  std::vector<double> ratios[2];

  BoundsPopulation(int loci, size_t count) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> frequency(0.1, 0.5);
    for (int k = 0; k < loci; ++k) {
      typed.push_back({k, 1, 2, frequency(rng), frequency(rng)});
      LocusStates s{};
      for (int state = 0; state < kParentStates; ++state) {
        s.sent[state] = stateTransmission(typed.back(), state, 0.02);
      }
      states.push_back(s);
    }
    bounds.start(typed, states);
    const int kinds[] = {0, 1, 2, 3, 4, 6, kUntypedState};
    for (size_t slot = 0; slot < 2 * count; ++slot) {
      std::vector<uint8_t> row(static_cast<size_t>(loci));
      for (uint8_t& state : row) state = static_cast<uint8_t>(kinds[rng() % 7]);
      bounds.add(row.data());
      rows.push_back(row);
    }
    std::normal_distribution<double> lod(0.0, 4.0);
    for (int side = 0; side < 2; ++side) {
      for (size_t k = 0; k < count; ++k) {
        slots[side].push_back(static_cast<int32_t>(side * count + k));
        lods[side].push_back(lod(rng));
      }
      std::sort(lods[side].rbegin(), lods[side].rend());
      for (double l : lods[side]) ratios[side].push_back(std::exp(l - lods[side][0]));
    }
  }
  PairBounds::Side side(int which) const {
    return {slots[which].data(), lods[which].data(), ratios[which].data(), slots[which].size()};
  }
};

// Every pair of one offspring's candidates weighed: heterozygous loci,
// candidates of each sex (91: a typical SNP offspring; 210, some 44,000
// pairs, one at programme scale), kernel kind.
void BM_PairWeighing(benchmark::State& state) {
  const auto kernel = static_cast<KernelKind>(state.range(2));
  const std::vector<KernelKind> available = availableKernels();
  if (std::find(available.begin(), available.end(), kernel) == available.end()) {
    state.SkipWithError("the processor lacks this kernel");
    return;
  }
  useKernel(kernel);
  const BoundsPopulation p(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)));
  std::vector<PairBounds::Pair> reaching;
  for (auto _ : state) {
    reaching.clear();
    const double threshold = p.lods[0][0] + p.lods[1][0] - 4.0;
    benchmark::DoNotOptimize(
        p.bounds.weighAll(p.side(0), p.side(1), threshold, 1e-12, reaching));
  }
  useDefaultKernel();
  static const char* const kKernels[] = {"portable", "AVX2", "AVX-512"};
  state.SetLabel(std::string(kKernels[state.range(2)]) + " kernel, " +
                 std::to_string(reaching.size()) + " reaching");
  state.counters["pairs/s"] = benchmark::Counter(
      static_cast<double>(p.slots[0].size() * p.slots[1].size()),
      benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PairWeighing)->ArgsProduct({{48, 100, 200}, {91, 210}, {0, 1, 2}});

// The masks of one offspring's candidates built (the offspring's tables
// once, then each of 182 candidates): heterozygous loci.
void BM_PairBoundsMasks(benchmark::State& state) {
  BoundsPopulation p(static_cast<int>(state.range(0)), 91);
  for (auto _ : state) {
    p.bounds.start(p.typed, p.states);
    for (const std::vector<uint8_t>& row : p.rows) p.bounds.add(row.data());
  }
  state.counters["candidates/s"] = benchmark::Counter(
      static_cast<double>(p.rows.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PairBoundsMasks)->Arg(48)->Arg(200);

}  // namespace

// Whole rankings of SNP offspring (96 loci, 2% untyped, K = 3): 1,000
// mothers and 1,000 fathers, offspring of random pairs; kernel kind (the
// singles' kernel runs under AVX-512 only).
void BM_SnpRanking(benchmark::State& state) {
  const auto kernel = static_cast<KernelKind>(state.range(0));
  const std::vector<KernelKind> available = availableKernels();
  if (std::find(available.begin(), available.end(), kernel) == available.end()) {
    state.SkipWithError("the processor lacks this kernel");
    return;
  }
  constexpr int kLoci = 96;
  std::mt19937 rng(11);
  std::vector<double> frequencies;
  for (int k = 0; k < kLoci; ++k) frequencies.push_back(0.05 + 0.45 * (rng() % 1000) / 1000.0);
  std::vector<std::vector<int>> parents(2000), offspring(200);
  for (size_t j = 0; j < parents.size(); ++j) {
    for (int k = 0; k < kLoci; ++k) {
      for (int copy = 0; copy < 2; ++copy) {
        parents[j].push_back((rng() % 1000) / 1000.0 < frequencies[static_cast<size_t>(k)] ? 2 : 1);
      }
    }
    parents[j].push_back(j < 1000 ? static_cast<int>(j) + 1 : static_cast<int>(j) + 1001);
  }
  for (std::vector<int>& row : offspring) {
    const std::vector<int>& mother = parents[rng() % 1000];
    const std::vector<int>& father = parents[1000 + rng() % 1000];
    for (size_t k = 0; k < kLoci; ++k) {
      const bool untyped = rng() % 50 == 0;
      row.push_back(untyped ? -99 : mother[2 * k + rng() % 2]);
      row.push_back(untyped ? -99 : father[2 * k + rng() % 2]);
    }
  }
  const GenotypeTables tables{parents, offspring, kLoci, 1000, -99};
  const AlleleFrequencies counted = AlleleFrequencies::count(tables);
  RankingSettings settings;
  settings.maxMismatches = 3;
  useKernel(kernel);
  OffspringRanker ranker(tables, counted, settings);
  OffspringRanking ranking;
  for (auto _ : state) {
    for (size_t i = 0; i < offspring.size(); ++i) {
      ranker.rank(i, -1, ranking);
      benchmark::DoNotOptimize(ranking.pair.lod);
    }
  }
  useDefaultKernel();
  static const char* const kKernels[] = {"portable", "AVX2", "AVX-512"};
  state.SetLabel(std::string(kKernels[state.range(0)]) + " kernel");
  state.counters["offspring/s"] = benchmark::Counter(
      static_cast<double>(offspring.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SnpRanking)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
