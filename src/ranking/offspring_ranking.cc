#include "ranking/offspring_ranking.h"

#include <algorithm>

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
  double delta() const { return hasSecond ? best - second : best; }
};

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

void OffspringRanker::pickBest(const std::vector<Scored>& scored, BestCandidate& best,
                               bool isMother) const {
  TopTwo top;
  const Scored* winner = nullptr;
  for (const Scored& s : scored) {
    if (top.offer(s.lod, s.row)) winner = &s;
  }
  best = BestCandidate();
  if (winner == nullptr) return;
  best.found = true;
  (isMother ? best.mother : best.father) = winner->row;
  best.lod = top.best;
  best.delta = top.delta();
  best.mismatches = winner->mismatches;
  best.near = nearDistance(winner->row);
}

void OffspringRanker::rank(size_t offspring, int32_t knownMother, OffspringRanking& out) {
  offspring_ = tables_.offspring[offspring].data();
  offspringLoci(offspring_, tables_.missing, frequencies_, loci_);
  index_.scope(offspring_, settings_.maxMismatches, scope_);
  if (filter_ != nullptr) filter_->keep(offspring, scope_);
  mothers_.clear();
  fathers_.clear();
  for (int32_t row : scope_) {
    (tables_.isMother(static_cast<size_t>(row)) ? mothers_ : fathers_).push_back(scoreSingle(row));
  }
  out = OffspringRanking();
  out.lociTyped = static_cast<int32_t>(loci_.size());
  out.mothersScored = static_cast<int32_t>(mothers_.size());
  out.fathersScored = static_cast<int32_t>(fathers_.size());
  if (knownMother < 0) {
    pickBest(mothers_, out.mother, true);
    pickBest(fathers_, out.father, false);
    searchPairs(out);
    return;
  }
  // The known mother is reported whatever her score; her delta is over the
  // best other mother in scope.
  out.knownMother = true;
  const Scored mother = scoreSingle(knownMother);
  TopTwo others;
  for (const Scored& s : mothers_) {
    if (s.row != knownMother) others.offer(s.lod, s.row);
  }
  out.mother.found = true;
  out.mother.mother = knownMother;
  out.mother.lod = mother.lod;
  out.mother.delta = others.hasBest ? mother.lod - others.best : mother.lod;
  out.mother.mismatches = mother.mismatches;
  out.mother.near = nearDistance(knownMother);
  rankFathersGiven(knownMother, out);
}

void OffspringRanker::searchPairs(OffspringRanking& out) {
  out.pair = BestCandidate();
  if (mothers_.empty() || fathers_.empty()) return;
  const auto byLod = [](const Scored& x, const Scored& y) {
    return ranksBefore(x.lod, x.row, y.lod, y.row);
  };
  const size_t m = std::min(kPairCandidates, mothers_.size());
  const size_t f = std::min(kPairCandidates, fathers_.size());
  std::partial_sort(mothers_.begin(), mothers_.begin() + static_cast<std::ptrdiff_t>(m), mothers_.end(), byLod);
  std::partial_sort(fathers_.begin(), fathers_.begin() + static_cast<std::ptrdiff_t>(f), fathers_.end(), byLod);
  motherSides_.resize(m);
  fatherSides_.resize(f);
  for (size_t i = 0; i < m; ++i) transmissions(mothers_[i].row, motherSides_[i]);
  for (size_t j = 0; j < f; ++j) transmissions(fathers_[j].row, fatherSides_[j]);
  TopTwo top;
  const int64_t rows = static_cast<int64_t>(tables_.parents.size());
  for (size_t i = 0; i < m; ++i) {
    for (size_t j = 0; j < f; ++j) {
      if (!pairWanted(mothers_[i].row, fathers_[j].row)) continue;
      int32_t mismatches = 0;
      const double lod = scoreTrio(motherSides_[i], fatherSides_[j], &mismatches);
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
}

void OffspringRanker::rankFathersGiven(int32_t mother, OffspringRanking& out) {
  if (fathers_.empty()) return;
  motherSides_.resize(1);
  fatherSides_.resize(1);
  transmissions(mother, motherSides_[0]);
  TopTwo top;
  const Scored* winner = nullptr;
  double winnerTrio = 0.0;
  int32_t winnerPairMismatches = 0;
  for (const Scored& s : fathers_) {
    // A known mother's pair has her as the seed parent: any father, herself
    // included unless selfing is off.
    if (settings_.hermaphrodites && !settings_.selfing && individual(s.row) == individual(mother)) {
      continue;
    }
    transmissions(s.row, fatherSides_[0]);
    int32_t mismatches = 0;
    const double trio = scoreTrio(motherSides_[0], fatherSides_[0], &mismatches);
    if (top.offer(trio - out.mother.lod, s.row)) {
      winner = &s;
      winnerTrio = trio;
      winnerPairMismatches = mismatches;
    }
  }
  if (winner == nullptr) return;
  out.father.found = true;
  out.father.father = winner->row;
  out.father.lod = top.best;
  out.father.delta = top.delta();
  out.father.mismatches = winner->mismatches;
  out.father.near = nearDistance(winner->row);
  out.pair.found = true;
  out.pair.mother = mother;
  out.pair.father = winner->row;
  out.pair.lod = winnerTrio;
  out.pair.delta = top.delta();
  out.pair.mismatches = winnerPairMismatches;
}
