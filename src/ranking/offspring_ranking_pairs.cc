#include <algorithm>
#include <cmath>

#include "ranking/log_sums.h"
#include "ranking/offspring_ranking.h"
#include "ranking/top_two.h"
#include "util/counting_order.h"

// OffspringRanker's pairs: every pair of scored candidates bounded and
// weighed, those that could be best, runner-up or weigh in the posterior
// scored by falling bound, and the best pair's posterior.

namespace {

// The slack that covers the rounding of the LOD sums in a bound.
constexpr double kBoundSlack = 1e-6;

// What a pair's ratio at a heterozygous locus is over the product of its
// single ratios, halved: from the cells m and f of the shares owed to
// passing a and b.
inline double interaction(const double* shareA, const double* shareB, size_t m, size_t f) {
  return shareA[m] * shareB[f] + shareB[m] * shareA[f];
}

// How finely searchPairs orders the pairs whose bounds reach the threshold.
constexpr size_t kOrderSteps = 256;

// The pairs of the best few mothers and fathers, scored first: they set the
// runner-up and the best pair's LOD that every other pair's bound must reach.
// Three each, so that hermaphrodites, whose best mother and father are often
// one individual, still start with pairs.
constexpr size_t kFirstPairs = 3;

// A pair whose trio LOD is bounded this far below the best pair's weighs at
// most e^-12 (about 1/160000) of it in the pair's posterior.
constexpr double kNegligibleLod = 12.0;

// A pair left unscored whose weight is below this share of the best pair's
// is left out of the pair's posterior altogether: a million of them move it
// by less than 1e-6.
constexpr double kNegligibleShare = 1e-12;

}  // namespace

double OffspringRanker::fastTrio(int32_t motherSlot, int32_t fatherSlot, double singles) {
  const uint8_t* mother = statesOf(motherSlot);
  const uint8_t* father = statesOf(fatherSlot);
  const int32_t* heterozygous = heterozygous_.data();
  const double count = static_cast<double>(heterozygous_.size());
  // At a homozygous locus the trio ratio is the product of the single
  // ratios; at a heterozygous one, that product times 2 (pA qB + pB qA),
  // p and q each parent's shares. Where the parents are read by genotype,
  // the few states a locus takes get their pairs' factors once.
  if (useCodes_ && !genotypeCodes_.empty()) {
    if (!interactionsReady_) fillInteractions();
    const double* interactions = interactions_.data();
    return singles + kLn2 * count +
           fastLogOfProduct(heterozygous_.size(), [&](size_t h) {
             const size_t k = static_cast<size_t>(heterozygous[h]);
             return interactions[(h * kParentStates + mother[k]) * kParentStates + father[k]];
           });
  }
  const double* shareA = shareA_.data();
  const double* shareB = shareB_.data();
  const auto ratio = [&](size_t h) {
    const size_t k = static_cast<size_t>(heterozygous[h]);
    return interaction(shareA, shareB, h * kParentStates + mother[k], h * kParentStates + father[k]);
  };
  return singles + fastLogOfProduct(heterozygous_.size(), ratio) + kLn2 * count;
}

void OffspringRanker::fillInteractions() {
  interactions_.resize(heterozygous_.size() * kParentStates * kParentStates);
  for (size_t h = 0; h < heterozygous_.size(); ++h) {
    const size_t k = static_cast<size_t>(heterozygous_[h]);
    const size_t genotypes = genotypes_[static_cast<size_t>(loci_[k].locus)].size();
    const uint8_t* states = &genotypeStates_[k * kGenotypesPerLocus];
    for (size_t g = 0; g < genotypes; ++g) {
      for (size_t u = 0; u < genotypes; ++u) {
        interactions_[(h * kParentStates + states[g]) * kParentStates + states[u]] =
            interaction(shareA_.data(), shareB_.data(), h * kParentStates + states[g],
                        h * kParentStates + states[u]);
      }
    }
  }
  interactionsReady_ = true;
}

double OffspringRanker::scoreTrio(int32_t motherSlot, int32_t fatherSlot,
                                  int32_t* mismatches) const {
  const uint8_t* mother = statesOf(motherSlot);
  const uint8_t* father = statesOf(fatherSlot);
  LodSum lod;
  *mismatches = 0;
  for (size_t k = 0; k < loci_.size(); ++k) {
    const LocusStates& states = statesAt(k);
    const Transmission& m = states.sent[mother[k]];
    const Transmission& f = states.sent[father[k]];
    lod.add(trioRatio(loci_[k], m, f));
    *mismatches += trioMismatch(m, f);
  }
  return lod.total();
}

void OffspringRanker::searchPairs(double logMothers, double logFathers, OffspringRanking& out) {
  out.pair = BestCandidate();
  if (mothers_.empty() || fathers_.empty()) return;
  const auto byLod = [](const Scored& x, const Scored& y) {
    return ranksBefore(x.lod, x.row, y.lod, y.row);
  };
  // The pairs of the best few mothers are scored first; the fathers are
  // weighed by falling LOD, so that each mother's list can stop early.
  const size_t firstMothers = std::min(kFirstPairs, mothers_.size());
  std::partial_sort(mothers_.begin(), mothers_.begin() + static_cast<std::ptrdiff_t>(firstMothers),
                    mothers_.end(), byLod);
  fatherOrder_.sort(fathers_, byLod);
  TopTwo top;
  const int64_t rows = static_cast<int64_t>(tables_.parents.size());
  std::vector<double>& scored = pairsScored_;
  scored.clear();
  // With three candidates or fewer of each sex every pair is scored; else
  // the pairs get bounds.
  const bool bounded = mothers_.size() > kFirstPairs || fathers_.size() > kFirstPairs;
  if (bounded) {
    locusBounds_.resize(loci_.size());
    for (size_t k = 0; k < loci_.size(); ++k) {
      if (loci_[k].a == loci_[k].b) continue;
      if (tablesAt_.empty() || tablesAt_[k] == nullptr) {
        for (int state : kHeterozygousStates) ensureState(k, state);
        locusBounds_[k] = PairBounds::boundAt(loci_[k], locusStates_[k]);
      } else {
        locusBounds_[k] = tablesAt_[k]->bound;
      }
    }
    bounds_.start(loci_, locusBounds_);
    for (size_t slot = 0; slot < scope_.size(); ++slot) {
      bounds_.add(statesOf(static_cast<int32_t>(slot)));
    }
  }
  const auto sideOf = [bounded](const std::vector<Scored>& candidates, std::vector<int32_t>& slots,
                         std::vector<double>& lods, std::vector<double>& ratios) {
    slots.clear();
    lods.clear();
    ratios.clear();
    for (const Scored& c : candidates) {
      slots.push_back(c.slot);
      lods.push_back(c.lod);
      ratios.push_back(bounded ? std::exp(c.lod - candidates[0].lod) : 0.0);
    }
    return PairBounds::Side{slots.data(), lods.data(), ratios.data(), candidates.size()};
  };
  const PairBounds::Side mothers = sideOf(mothers_, motherSlots_, motherLods_, motherRatios_);
  const PairBounds::Side fathers = sideOf(fathers_, fatherSlots_, fatherLods_, fatherRatios_);
  // Weights relative to e^reference: the pairs left unscored by their
  // bound, those scored by their trio LOD.
  const double reference = mothers_[0].lod + fathers_[0].lod;
  double unscored = 0.0;
  // Pairs are scored with a fast trio LOD; the few that could be best or
  // runner-up get the exact one at the end.
  pairsTried_.clear();
  const auto score = [&](size_t i, size_t j, double weight) {
    const double lod = fastTrio(mothers_[i].slot, fathers_[j].slot, mothers_[i].lod + fathers_[j].lod);
    scored.push_back(lod);
    // Field by field: a whole Pair built on the stack and copied stalls on
    // store forwarding.
    PairBounds::Pair& tried = pairsTried_.emplace_back();
    tried.bound = lod;
    tried.weight = 0.0;
    tried.mother = static_cast<int32_t>(i);
    tried.father = static_cast<int32_t>(j);
    unscored -= weight;
    top.offer(lod, mothers_[i].row * rows + fathers_[j].row);
  };
  const size_t first = std::min(kFirstPairs, std::max(mothers_.size(), fathers_.size()));
  const auto isFirst = [first](size_t i, size_t j) { return i < first && j < first; };
  for (size_t i = 0; i < std::min(first, mothers_.size()); ++i) {
    for (size_t j = 0; j < std::min(first, fathers_.size()); ++j) {
      if (pairWanted(mothers_[i].row, fathers_[j].row)) {
        score(i, j, bounded ? bounds_.weightOf(mothers, i, fathers, j) : 0.0);
      }
    }
  }
  // Every other pair whose bound reaches what could still be runner-up or
  // weigh in the posterior, scored by falling bound; the threshold only
  // rises as pairs are scored, so the one pass finds all of them.
  const auto threshold = [&top]() {
    return top.hasSecond ? std::min(top.second, top.best - kNegligibleLod) - kBoundSlack
                         : kMinusInfinity;
  };
  pairsLeft_.clear();
  if (bounded) {
    // A pair whose product is under 1e-12 of the best pair's weight found so far
    // moves no posterior: those that cannot reach the threshold either are
    // left out of the sum.
    const double negligible =
        kNegligibleShare * std::exp(std::min(0.0, (top.hasBest ? top.best : reference) - reference));
    unscored += bounds_.weighAll(mothers, fathers, threshold(), negligible, pairsLeft_);
  }
  // Hermaphrodites: a pair's mirror (or a self, without selfing) is no pair
  // of its own and takes no part in the posterior either.
  if (bounded && settings_.hermaphrodites) {
    for (size_t i = 0; i < mothers_.size(); ++i) {
      for (size_t j = 0; j < fathers_.size(); ++j) {
        if (!pairWanted(mothers_[i].row, fathers_[j].row)) {
          unscored -= bounds_.weightOf(mothers, i, fathers, j);
        }
      }
    }
  }
  // By falling bound, in steps of 1/kOrderSteps of the bounds' range (within
  // a step, the order the pairs came in: by mother, then father), by a
  // counting sort: a heap's branches cost more than the few pairs a step
  // lets through early. Each pair's own bound is tested too.
  double highest = 0.0;
  double perStep = 0.0;
  if (!pairsLeft_.empty()) {
    highest = pairsLeft_[0].bound;
    double lowest = highest;
    for (const PairBounds::Pair& p : pairsLeft_) {
      highest = std::max(highest, p.bound);
      lowest = std::min(lowest, p.bound);
    }
    perStep = highest > lowest ? static_cast<double>(kOrderSteps) / (highest - lowest) : 0.0;
    countingOrder(
        pairsLeft_.size(), kOrderSteps,
        [&](size_t k) {
          const double below = (highest - pairsLeft_[k].bound) * perStep;
          return std::min(static_cast<size_t>(below), kOrderSteps - 1);
        },
        stepEnds_, pairOrder_);
  }
  size_t next = 0;
  for (size_t step = 0; step < kOrderSteps && next < pairsLeft_.size(); ++step) {
    // A step lies wholly below the threshold once the threshold is a step
    // above its top: (highest - bound) * perStep >= step for its pairs.
    if ((highest - threshold()) * perStep + 1.0 < static_cast<double>(step)) break;
    for (; next < stepEnds_[step]; ++next) {
      const PairBounds::Pair& p = pairsLeft_[pairOrder_[next]];
      if (p.bound < threshold()) continue;
      const size_t i = static_cast<size_t>(p.mother);
      const size_t j = static_cast<size_t>(p.father);
      if (!isFirst(i, j) && pairWanted(mothers_[i].row, fathers_[j].row)) score(i, j, p.weight);
    }
  }
  if (!top.hasBest) return;  // hermaphrodites: a lone individual, no selfing
  const double cut = (top.hasSecond ? top.second : top.best) - kFastLodSlack;
  top = TopTwo();
  for (const PairBounds::Pair& p : pairsTried_) {
    if (p.bound < cut) continue;
    const Scored& m = mothers_[static_cast<size_t>(p.mother)];
    const Scored& f = fathers_[static_cast<size_t>(p.father)];
    int32_t mismatches = 0;
    const double lod = scoreTrio(m.slot, f.slot, &mismatches);
    if (top.offer(lod, m.row * rows + f.row)) {
      out.pair.mother = m.row;
      out.pair.father = f.row;
      out.pair.mismatches = mismatches;
    }
  }
  out.pair.found = true;
  out.pair.lod = top.best;
  out.pair.delta = top.delta();
  if (top.hasSecond) {
    out.pair.runnerUpMother = static_cast<int32_t>(top.secondKey / rows);
    out.pair.runnerUpFather = static_cast<int32_t>(top.secondKey % rows);
  }
  // Every pair's trio ratio summed, relative to e^top (which keeps the sums
  // inside the range of a double).
  const double topLod = std::max(top.best, reference);
  double pairs = std::max(unscored, 0.0) * std::exp(reference - topLod);
  for (double trio : scored) pairs += std::exp(trio - topLod);
  const double logPairs = std::log(std::max(pairs, std::exp(top.best - topLod))) + topLod;
  double logTotal = logAdd(motherPrior_ + fatherPrior_ + logPairs,
                           motherPrior_ + fatherUnsampled_ + logMothers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherPrior_ + logFathers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherUnsampled_);
  out.pair.posterior = posteriorOf(motherPrior_ + fatherPrior_ + top.best, logTotal);
}
