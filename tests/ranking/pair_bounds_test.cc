// PairBounds on random candidates: every kind of kernel builds the same masks
// and gives the same sum and the same reaching pairs to the last bit, and
// weightOf() gives each pair the weight weighAll() gives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ranking/likelihood_ratio.h"
#include "ranking/pair_bounds.h"
#include "util/cpu_features.h"

namespace {

// One offspring typed at `loci` loci, homozygous at every `homozygous`-th
// (0: none), with `mothers` + `fathers` candidates in random states (untyped
// ones among them), sides by falling LOD.
struct Population {
  PairBounds bounds;
  std::vector<int32_t> slots[2];
  std::vector<double> lods[2];
  std::vector<double> ratios[2];

  Population(int loci, int homozygous, size_t mothers, size_t fathers, unsigned seed,
             double errorRate = 0.02) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> frequency(0.02, 0.6);
    std::vector<OffspringLocus> typed;
    std::vector<LocusStates> states;
    for (int k = 0; k < loci; ++k) {
      const bool twice = homozygous > 0 && k % homozygous == homozygous - 1;
      typed.push_back({k, 1, twice ? 1 : 2, frequency(rng), frequency(rng)});
      LocusStates s{};
      for (int state = 0; state < kParentStates; ++state) {
        s.sent[state] = stateTransmission(typed.back(), state, errorRate);
      }
      states.push_back(s);
    }
    bounds.start(typed, states);
    const int kinds[] = {0, 1, 2, 3, 4, 6, kUntypedState};
    std::vector<uint8_t> row(static_cast<size_t>(loci));
    for (size_t slot = 0; slot < mothers + fathers; ++slot) {
      for (uint8_t& state : row) state = static_cast<uint8_t>(kinds[rng() % 7]);
      bounds.add(row.data());
    }
    std::normal_distribution<double> lod(0.0, 4.0);
    for (int side = 0; side < 2; ++side) {
      const size_t count = side == 0 ? mothers : fathers;
      for (size_t k = 0; k < count; ++k) {
        slots[side].push_back(static_cast<int32_t>(side == 0 ? k : mothers + k));
        lods[side].push_back(lod(rng));
      }
      // Slots in a random order, LODs falling.
      std::shuffle(slots[side].begin(), slots[side].end(), rng);
      std::sort(lods[side].rbegin(), lods[side].rend());
      for (double l : lods[side]) ratios[side].push_back(std::exp(l - lods[side][0]));
    }
  }
  PairBounds::Side side(int which) const {
    return {slots[which].data(), lods[which].data(), ratios[which].data(),
            slots[which].size()};
  }
};

struct Weighed {
  double sum;
  std::vector<PairBounds::Pair> reaching;
};

Weighed weigh(const Population& p, double threshold, double negligible) {
  Weighed w;
  w.sum = p.bounds.weighAll(p.side(0), p.side(1), threshold, negligible, w.reaching);
  return w;
}

TEST(PairBounds, EveryKernelWeighsAlike) {
  // None to five mask words, full or not, and many (where the factors
  // reach their clamps); from 255 heterozygous loci on the vector kernels
  // find the factors in memory rather than in registers.
  // A tiny error rate makes the factors of a hundred loci and more reach
  // their clamps while their tables still fit registers.
  struct Design {
    int loci;
    int homozygous;
    double errorRate = 0.02;
  };
  for (const Design& design : {Design{0, 0}, Design{1, 0}, Design{40, 0}, Design{64, 0},
                               Design{100, 0}, Design{128, 0}, Design{150, 0}, Design{200, 0},
                               Design{255, 0}, Design{300, 0}, Design{1500, 0}, Design{80, 5},
                               Design{125, 5}, Design{160, 5}, Design{100, 0, 1e-12},
                               Design{200, 0, 1e-12}}) {
    const int loci = design.loci;
    for (unsigned seed : {1u, 2u}) {
      // Fathers not a multiple of eight: the kernels' last block is partial.
      // The candidates' masks built by each kind of kernel.
      std::vector<Population> built;
      for (KernelKind kind : availableKernels()) {
        useKernel(kind);
        built.emplace_back(loci, design.homozygous, 37, 61 + seed, seed, design.errorRate);
      }
      const Population& p = built.front();
      for (double threshold : {-1e300, -4.0, 0.0, 6.0}) {
        for (double negligible : {0.0, 1e-12, 1e-2}) {
          char what[160];
          std::snprintf(what, sizeof what,
                        "%d loci (homozygous every %d, error rate %g), seed %u, threshold %g, "
                        "negligible %g",
                        loci, design.homozygous, design.errorRate, seed, threshold, negligible);
          useKernel(KernelKind::Portable);
          const Weighed portable = weigh(p, threshold, negligible);
          for (size_t b = 0; b < built.size(); ++b) {
            const KernelKind kind = availableKernels()[b];
            useKernel(kind);
            const Weighed w = weigh(built[b], threshold, negligible);
            const std::string which =
                what + std::string(", kernel ") + std::to_string(static_cast<int>(kind));
            EXPECT_EQ(w.sum, portable.sum) << which;
            ASSERT_EQ(w.reaching.size(), portable.reaching.size()) << which;
            for (size_t k = 0; k < w.reaching.size(); ++k) {
              const PairBounds::Pair& x = w.reaching[k];
              const PairBounds::Pair& y = portable.reaching[k];
              EXPECT_EQ(x.mother, y.mother) << which;
              EXPECT_EQ(x.father, y.father) << which;
              EXPECT_EQ(x.bound, y.bound) << which;
              EXPECT_EQ(x.weight, y.weight) << which;
              EXPECT_EQ(x.weight, p.bounds.weightOf(p.side(0), static_cast<size_t>(x.mother),
                                                    p.side(1), static_cast<size_t>(x.father)))
                  << which;
            }
          }
          useDefaultKernel();
          // With every pair weighed and reaching, the pairs come by mother,
          // then father, and their weights add up to the sum.
          if (threshold == -1e300 && negligible == 0.0) {
            const size_t fathers = p.slots[1].size();
            ASSERT_EQ(portable.reaching.size(), p.slots[0].size() * fathers) << what;
            double total = 0.0;
            for (size_t k = 0; k < portable.reaching.size(); ++k) {
              EXPECT_EQ(portable.reaching[k].mother, static_cast<int32_t>(k / fathers)) << what;
              EXPECT_EQ(portable.reaching[k].father, static_cast<int32_t>(k % fathers)) << what;
              total += portable.reaching[k].weight;
            }
            EXPECT_NEAR(portable.sum, total, 1e-12 * total) << what;
          }
        }
      }
    }
  }
}

}  // namespace
