#include "ranking/offspring_ranking.h"

#include <algorithm>
#include <cmath>

#include "input/saturate.h"
#include "ranking/log_sums.h"
#include "ranking/top_two.h"
#include "spheres/locus_distance.h"

// The ranking of one offspring from start to end: the scope, the candidates'
// scores (offspring_ranking_singles.cc), the best of each role and the best
// pair (offspring_ranking_pairs.cc), the posteriors and the calls.

namespace {

// ln(P / N) and ln(1 - P): the prior of each of N sampled candidates and that
// of an unsampled parent.
double logPrior(double share, int64_t candidates) {
  return candidates > 0 ? std::log(share / static_cast<double>(candidates)) : kMinusInfinity;
}
double logUnsampled(double share) { return share < 1.0 ? std::log1p(-share) : kMinusInfinity; }

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
  codeAlleles();
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
  best.mismatches = mismatchesIn(winner->slot);
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
  rankWithin(limit, knownMother, out);
  // A true parent with more mismatching loci than the first K leaves its
  // offspring without a strict pair (an unrelated candidate rarely makes
  // one) while its other parent is called strict on its own: only those
  // offspring pay for the wider scope. An offspring with neither parent
  // called (mostly one unrelated to every candidate) is left as it is.
  const int32_t wider = settings_.widerLimitFor(loci_.size());
  const auto called = [](const BestCandidate& best) {
    return best.call == Call::Strict || best.call == Call::Known;
  };
  if (wider > limit && out.pair.call != Call::Strict && (called(out.mother) || called(out.father))) {
    rankWithin(wider, knownMother, out);
  }
}

void OffspringRanker::rankWithin(int32_t limit, int32_t knownMother, OffspringRanking& out) {
  index_.scope(offspring_, limit, scope_);
  if (filtered_ >= 0) filter_->keep(static_cast<size_t>(filtered_), scope_);
  if (!scope_.empty() || knownMother >= 0) prepareLoci();
  mothers_.clear();
  fathers_.clear();
  scoreScope();
  // The best two of each role show their LODs (with a known mother, the best
  // two besides her).
  makeExact(mothers_, knownMother < 0 ? 2 : 3);
  makeExact(fathers_, 2);
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
    rankFathersGiven(knownMother, static_cast<int32_t>(scope_.size()), out);
  }
  call(out, settings_.thresholds, settings_.minDelta);
}

void OffspringRanker::rankKnownMother(int32_t knownMother, OffspringRanking& out) {
  // The known mother is reported whatever her score, against the other
  // mothers in scope (she counts among them whether in scope or not).
  out.knownMother = true;
  // Her states go to the slot after the candidates'.
  Scored mother = scoreSingle(knownMother, static_cast<int32_t>(scope_.size()));
  mother.lod = exactLod(mother.slot);
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
  out.mother.mismatches = mismatchesIn(mother.slot);
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

void OffspringRanker::rankFathersGiven(int32_t mother, int32_t motherSlot,
                                       OffspringRanking& out) {
  if (fathers_.empty()) return;
  TopTwo top;
  const Scored* winner = nullptr;
  double winnerTrio = 0.0;
  int32_t winnerPairMismatches = 0;
  givens_.clear();
  for (const Scored& s : fathers_) {
    // A known mother's pair has her as the seed parent: any father, herself
    // included unless selfing is off.
    if (settings_.hermaphrodites && !settings_.selfing && individual(s.row) == individual(mother)) {
      continue;
    }
    int32_t mismatches = 0;
    const double trio = scoreTrio(motherSlot, s.slot, &mismatches);
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
  out.father.mismatches = mismatchesIn(winner->slot);
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
