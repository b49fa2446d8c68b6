#include "ranking/offspring_ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "input/saturate.h"
#include "spheres/locus_distance.h"

namespace {

// True when (lod, key) ranks before (otherLod, otherKey): higher LOD first,
// then the earlier row.
bool ranksBefore(double lod, int64_t key, double otherLod, int64_t otherKey) {
  return lod > otherLod || (lod == otherLod && key < otherKey);
}

// Keeps the best and the runner-up of a stream of (lod, key) candidates.
struct TopTwo {
  bool hasBest = false;
  bool hasSecond = false;
  double best = 0.0;
  double second = 0.0;
  int64_t bestKey = 0;
  int64_t secondKey = 0;

  // True when the candidate became the best.
  bool offer(double lod, int64_t key) {
    if (!hasBest || ranksBefore(lod, key, best, bestKey)) {
      if (hasBest) {
        hasSecond = true;
        second = best;
        secondKey = bestKey;
      }
      hasBest = true;
      best = lod;
      bestKey = key;
      return true;
    }
    if (!hasSecond || ranksBefore(lod, key, second, secondKey)) {
      hasSecond = true;
      second = lod;
      secondKey = key;
    }
    return false;
  }
  // The best LOD minus the runner-up's, an unsampled parent (LOD 0) counting
  // as a runner-up.
  double delta() const { return best - std::max(hasSecond ? second : 0.0, 0.0); }
};

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

// ln(e^x + e^y), exact at -inf.
double logAdd(double x, double y) {
  if (x < y) std::swap(x, y);
  if (y == kMinusInfinity) return x;
  return x + std::log1p(std::exp(y - x));
}

// ln of the sum of e^lod over `scored`, whose largest LOD is `largest`: one
// exponential per candidate and a single logarithm.
template <typename Lod, typename Items>
double logSumOf(const Items& items, double largest, Lod lod) {
  double sum = 0.0;
  for (const auto& item : items) sum += std::exp(lod(item) - largest);
  return largest + std::log(sum);
}

// ln(P / N) and ln(1 - P): the prior of each of N sampled candidates and that
// of an unsampled parent.
double logPrior(double share, int64_t candidates) {
  return candidates > 0 ? std::log(share / static_cast<double>(candidates)) : kMinusInfinity;
}
double logUnsampled(double share) { return share < 1.0 ? std::log1p(-share) : kMinusInfinity; }

// The posterior of a candidate of weight ln(prior) + lod among candidates
// whose weights sum to e^logTotal.
double posteriorOf(double logWeight, double logTotal) {
  return std::min(1.0, std::exp(logWeight - logTotal));
}

// ln 2, the bound's term per heterozygous locus, and the slack that
// covers the rounding of the LOD sums.
const double kLn2 = std::log(2.0);
constexpr double kBoundSlack = 1e-6;

// A pair whose trio LOD is bounded this far below the best pair's weighs at
// most e^-9 (about 1/8000) of it in the pair's posterior.
constexpr double kNegligibleLod = 9.0;

}  // namespace

OffspringRanker::OffspringRanker(const GenotypeTables& tables,
                                 const AlleleFrequencies& frequencies,
                                 const RankingSettings& settings)
    : tables_(tables),
      frequencies_(frequencies),
      settings_(settings),
      index_(tables),
      errorRates_(settings.locusErrorRates.empty()
                      ? std::vector<double>(static_cast<size_t>(tables.loci), settings.errorRate)
                      : settings.locusErrorRates) {
  const int64_t mothers = tables.mothers;
  const int64_t fathers = static_cast<int64_t>(tables.parents.size()) - mothers;
  motherPrior_ = logPrior(settings.sampledMothers, mothers);
  motherUnsampled_ = logUnsampled(settings.sampledMothers);
  fatherPrior_ = logPrior(settings.sampledFathers, fathers);
  fatherUnsampled_ = logUnsampled(settings.sampledFathers);
  const size_t width = 2 * static_cast<size_t>(tables.loci);
  alleles_.reserve(tables.parents.size() * width);
  for (const std::vector<int>& row : tables.parents) {
    alleles_.insert(alleles_.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(width));
  }
}

void OffspringRanker::transmissions(int32_t row, std::vector<Transmission>& out) const {
  const int* parent = allelesOf(row);
  out.clear();
  for (const OffspringLocus& o : loci_) {
    out.push_back(transmission(o, parent[2 * o.locus], parent[2 * o.locus + 1],
                               tables_.missing, errorRates_[static_cast<size_t>(o.locus)]));
  }
}

OffspringRanker::Scored OffspringRanker::scoreSingle(int32_t row) const {
  const int* parent = allelesOf(row);
  LodSum lod;
  int32_t mismatches = 0;
  for (const OffspringLocus& o : loci_) {
    const Transmission t = transmission(o, parent[2 * o.locus], parent[2 * o.locus + 1],
                                        tables_.missing, errorRates_[static_cast<size_t>(o.locus)]);
    lod.add(singleRatio(o, t));
    mismatches += t.mismatch();
  }
  return {row, lod.total(), mismatches};
}

double OffspringRanker::scoreTrio(const std::vector<Transmission>& mother,
                                  const std::vector<Transmission>& father,
                                  int32_t* mismatches) const {
  LodSum lod;
  *mismatches = 0;
  for (size_t i = 0; i < loci_.size(); ++i) {
    lod.add(trioRatio(loci_[i], mother[i], father[i]));
    *mismatches += trioMismatch(mother[i], father[i]);
  }
  return lod.total();
}

int32_t OffspringRanker::nearDistance(int32_t row) const {
  const int* parent = allelesOf(row);
  int64_t near = 0;
  for (int32_t k = 0; k < tables_.loci; ++k) {
    if (!locusTyped(offspring_, k, tables_.missing) || !locusTyped(parent, k, tables_.missing)) {
      continue;
    }
    int64_t nearTerm = 0;
    int64_t farTerm = 0;
    locusTerms(offspring_[2 * k], offspring_[2 * k + 1], parent[2 * k], parent[2 * k + 1],
               &nearTerm, &farTerm);
    near += nearTerm;
  }
  return saturateToInt32(near);
}

const OffspringRanker::Side& OffspringRanker::side(std::vector<Side>& sides,
                                                       const std::vector<Scored>& scored,
                                                       size_t i) {
  Side& s = sides[i];
  if (!s.ready) {
    transmissions(scored[i].row, s.loci);
    // Per locus the larger of the two ratios this parent could give through
    // one allele alone: a trio ratio is at most it times the other parent's
    // single ratio.
    LodSum phase;
    for (size_t k = 0; k < loci_.size(); ++k) {
      const OffspringLocus& o = loci_[k];
      const Transmission& t = s.loci[k];
      phase.add(o.a == o.b ? t.a / o.fa : std::max(t.a / o.fa, t.b / o.fb));
    }
    s.phaseLod = phase.total();
    s.ready = true;
  }
  return s;
}

double OffspringRanker::pickBest(const std::vector<Scored>& scored, BestCandidate& best,
                                 bool isMother, double logPrior, double logUnsampled) const {
  TopTwo top;
  const Scored* winner = nullptr;
  for (const Scored& s : scored) {
    if (top.offer(s.lod, s.row)) winner = &s;
  }
  best = BestCandidate();
  if (winner == nullptr) return kMinusInfinity;
  const double logSum = logSumOf(scored, top.best, [](const Scored& s) { return s.lod; });
  best.found = true;
  (isMother ? best.mother : best.father) = winner->row;
  if (top.hasSecond) {
    (isMother ? best.runnerUpMother : best.runnerUpFather) = static_cast<int32_t>(top.secondKey);
  }
  best.lod = top.best;
  best.delta = top.delta();
  best.posterior = posteriorOf(logPrior + top.best, logAdd(logPrior + logSum, logUnsampled));
  best.mismatches = winner->mismatches;
  best.near = nearDistance(winner->row);
  return logSum;
}

void OffspringRanker::rank(size_t offspring, int32_t knownMother, OffspringRanking& out) {
  // The filter knows the table's offspring, not genotypes ranked alone.
  filtered_ = filter_ != nullptr ? static_cast<int64_t>(offspring) : -1;
  rankRow(tables_.offspring[offspring].data(), knownMother, out);
  filtered_ = -1;
}

void OffspringRanker::rankRow(const int* offspringRow, int32_t knownMother,
                              OffspringRanking& out) {
  offspring_ = offspringRow;
  offspringLoci(offspring_, tables_.missing, frequencies_, loci_);
  const int32_t limit = settings_.limitFor(loci_.size());
  index_.scope(offspring_, limit, scope_);
  if (filtered_ >= 0) filter_->keep(static_cast<size_t>(filtered_), scope_);
  mothers_.clear();
  fathers_.clear();
  for (int32_t row : scope_) {
    (tables_.isMother(static_cast<size_t>(row)) ? mothers_ : fathers_).push_back(scoreSingle(row));
  }
  out = OffspringRanking();
  out.lociTyped = static_cast<int32_t>(loci_.size());
  out.maxMismatches = limit;
  out.mothersScored = static_cast<int32_t>(mothers_.size());
  out.fathersScored = static_cast<int32_t>(fathers_.size());
  if (knownMother < 0) {
    const double logMothers = pickBest(mothers_, out.mother, true, motherPrior_, motherUnsampled_);
    const double logFathers = pickBest(fathers_, out.father, false, fatherPrior_, fatherUnsampled_);
    searchPairs(logMothers, logFathers, out);
  } else {
    rankKnownMother(knownMother, out);
    rankFathersGiven(knownMother, out);
  }
  call(out, settings_.thresholds, settings_.minDelta);
}

void OffspringRanker::rankKnownMother(int32_t knownMother, OffspringRanking& out) {
  // The known mother is reported whatever her score, against the other
  // mothers in scope (she counts among them whether in scope or not).
  out.knownMother = true;
  const Scored mother = scoreSingle(knownMother);
  TopTwo others;
  double logSum = mother.lod;
  for (const Scored& s : mothers_) {
    if (s.row == knownMother) continue;
    others.offer(s.lod, s.row);
    logSum = logAdd(logSum, s.lod);
  }
  out.mother.found = true;
  out.mother.mother = knownMother;
  out.mother.runnerUpMother = others.hasBest ? static_cast<int32_t>(others.bestKey) : -1;
  out.mother.lod = mother.lod;
  out.mother.delta = mother.lod - std::max(others.hasBest ? others.best : 0.0, 0.0);
  out.mother.posterior = posteriorOf(motherPrior_ + mother.lod,
                                     logAdd(motherPrior_ + logSum, motherUnsampled_));
  out.mother.mismatches = mother.mismatches;
  out.mother.near = nearDistance(knownMother);
}

void OffspringRanker::call(OffspringRanking& r, const RoleThresholds& t, double minDelta) {
  const auto callOn = [minDelta](BestCandidate& best, const CallThresholds& level) {
    if (best.found) best.call = callOf(best.lod, best.delta, best.posterior, level, minDelta);
  };
  if (!r.knownMother) {
    callOn(r.mother, t.mother);
    callOn(r.father, t.father);
    callOn(r.pair, t.pair);
    return;
  }
  r.mother.call = Call::Known;
  callOn(r.father, t.fatherGivenMother);
  callOn(r.pair, t.fatherGivenMother);
  if (r.father.found) r.pair.call = lessSure(r.pair.call, r.father.call);
}

void OffspringRanker::searchPairs(double logMothers, double logFathers, OffspringRanking& out) {
  out.pair = BestCandidate();
  if (mothers_.empty() || fathers_.empty()) return;
  const auto byLod = [](const Scored& x, const Scored& y) {
    return ranksBefore(x.lod, x.row, y.lod, y.row);
  };
  std::sort(mothers_.begin(), mothers_.end(), byLod);
  std::sort(fathers_.begin(), fathers_.end(), byLod);
  if (motherSides_.size() < mothers_.size()) motherSides_.resize(mothers_.size());
  if (fatherSides_.size() < fathers_.size()) fatherSides_.resize(fathers_.size());
  for (size_t i = 0; i < mothers_.size(); ++i) motherSides_[i].ready = false;
  for (size_t j = 0; j < fathers_.size(); ++j) fatherSides_[j].ready = false;
  int32_t heterozygous = 0;
  for (const OffspringLocus& o : loci_) heterozygous += o.a != o.b;
  const double bound = kLn2 * heterozygous + kBoundSlack;
  const double topFather = fathers_[0].lod;
  TopTwo top;
  const int64_t rows = static_cast<int64_t>(tables_.parents.size());
  pairsScored_.clear();
  for (size_t i = 0; i < mothers_.size(); ++i) {
    const double m = mothers_[i].lod;
    if (top.hasSecond && m + topFather + bound < top.second) break;
    const Side& mother = side(motherSides_, mothers_, i);
    for (size_t j = 0; j < fathers_.size(); ++j) {
      const double f = fathers_[j].lod;
      if (top.hasSecond && m + f + bound < top.second) break;
      if (!pairWanted(mothers_[i].row, fathers_[j].row)) {
        // Hermaphrodites: a pair's mirror (or a self, without selfing) is
        // no pair of its own and takes no part in the posterior either.
        pairsScored_.push_back({kMinusInfinity, m + f});
        continue;
      }
      const Side& father = side(fatherSides_, fathers_, j);
      // Skipped only when it can be neither best nor runner-up and weighs
      // too little to move the pair's posterior; it then counts with its
      // bound where that is below the product of its single ratios.
      const double tight = std::min(mother.phaseLod + f, m + father.phaseLod) + kBoundSlack;
      if (top.hasSecond && tight < top.second && tight < top.best - kNegligibleLod) {
        pairsScored_.push_back({std::min(tight, m + f), m + f});
        continue;
      }
      int32_t mismatches = 0;
      const double lod = scoreTrio(mother.loci, father.loci, &mismatches);
      pairsScored_.push_back({lod, m + f});
      if (top.offer(lod, mothers_[i].row * rows + fathers_[j].row)) {
        out.pair.mother = mothers_[i].row;
        out.pair.father = fathers_[j].row;
        out.pair.mismatches = mismatches;
      }
    }
  }
  if (!top.hasBest) return;  // hermaphrodites: a lone individual, no selfing
  out.pair.found = true;
  out.pair.lod = top.best;
  out.pair.delta = top.delta();
  if (top.hasSecond) {
    out.pair.runnerUpMother = static_cast<int32_t>(top.secondKey / rows);
    out.pair.runnerUpFather = static_cast<int32_t>(top.secondKey % rows);
  }
  // Every pair's trio ratio summed: those scored exactly, the others as the
  // product of their single ratios (relative to e^reference, which keeps the
  // sums inside the range of a double).
  const double reference = std::max(top.best, mothers_[0].lod + topFather);
  double pairs = std::exp(logMothers + logFathers - reference);
  for (const ScoredPair& p : pairsScored_) {
    pairs += std::exp(p.trio - reference) - std::exp(p.singles - reference);
  }
  const double logPairs = std::log(std::max(pairs, std::exp(top.best - reference))) + reference;
  double logTotal = logAdd(motherPrior_ + fatherPrior_ + logPairs,
                           motherPrior_ + fatherUnsampled_ + logMothers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherPrior_ + logFathers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherUnsampled_);
  out.pair.posterior = posteriorOf(motherPrior_ + fatherPrior_ + top.best, logTotal);
}

void OffspringRanker::rankFathersGiven(int32_t mother, OffspringRanking& out) {
  if (fathers_.empty()) return;
  std::vector<Transmission>& motherSide = knownSide_;
  transmissions(mother, motherSide);
  TopTwo top;
  const Scored* winner = nullptr;
  double winnerTrio = 0.0;
  int32_t winnerPairMismatches = 0;
  std::vector<Transmission>& fatherSide = fatherSide_;
  givens_.clear();
  for (const Scored& s : fathers_) {
    // A known mother's pair has her as the seed parent: any father, herself
    // included unless selfing is off.
    if (settings_.hermaphrodites && !settings_.selfing && individual(s.row) == individual(mother)) {
      continue;
    }
    transmissions(s.row, fatherSide);
    int32_t mismatches = 0;
    const double trio = scoreTrio(motherSide, fatherSide, &mismatches);
    const double given = trio - out.mother.lod;
    givens_.push_back(given);
    if (top.offer(given, s.row)) {
      winner = &s;
      winnerTrio = trio;
      winnerPairMismatches = mismatches;
    }
  }
  if (winner == nullptr) return;
  const double logSum = logSumOf(givens_, top.best, [](double given) { return given; });
  out.father.found = true;
  out.father.father = winner->row;
  out.father.runnerUpFather = top.hasSecond ? static_cast<int32_t>(top.secondKey) : -1;
  out.father.lod = top.best;
  out.father.delta = top.delta();
  out.father.posterior = posteriorOf(fatherPrior_ + top.best,
                                     logAdd(fatherPrior_ + logSum, fatherUnsampled_));
  out.father.mismatches = winner->mismatches;
  out.father.near = nearDistance(winner->row);
  out.pair.found = true;
  out.pair.mother = mother;
  out.pair.father = winner->row;
  if (top.hasSecond) {
    out.pair.runnerUpMother = mother;
    out.pair.runnerUpFather = out.father.runnerUpFather;
  }
  out.pair.lod = winnerTrio;
  out.pair.delta = out.father.delta;
  out.pair.posterior = out.father.posterior;
  out.pair.mismatches = winnerPairMismatches;
}
