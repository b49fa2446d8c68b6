#include "calibration/calibration.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>

#include "ranking/offspring_ranking.h"

namespace {

// Offspring simulated and ranked as one piece of work.
constexpr size_t kBlock = 256;

// A role's outcome on one simulated offspring.
struct Outcome {
  bool called = false;
  bool right = false;
  double delta = 0.0;
  double posterior = 0.0;
};

Outcome outcomeOf(const BestCandidate& best, bool right) {
  Outcome outcome;
  outcome.called = best.found && best.lod > 0.0;
  outcome.right = outcome.called && right;
  outcome.delta = best.delta;
  outcome.posterior = best.posterior;
  return outcome;
}

std::vector<Role> rolesFor(bool knownMothers) {
  if (knownMothers) return {Role::FatherGivenMother};
  return {Role::Mother, Role::Father, Role::Pair};
}

// Simulates and ranks offspring [first, end), filling their outcomes.
void rankBlock(const OffspringSimulator& simulator, OffspringRanker& ranker, size_t first,
               size_t end,
               const std::vector<Role>& roles, std::vector<std::vector<Outcome>>& outcomes) {
  SimulatedOffspring child;
  OffspringRanking ranking;
  for (size_t i = first; i < end; ++i) {
    simulator.simulate(i, child);
    ranker.rankRow(child.row.data(), child.knownMother ? child.mother : -1, ranking);
    for (size_t r = 0; r < roles.size(); ++r) {
      const bool mother = child.mother >= 0 && ranking.mother.mother == child.mother;
      const bool father = child.father >= 0 && ranking.father.father == child.father;
      const bool pair = child.mother >= 0 && child.father >= 0 &&
                        ranking.pair.mother == child.mother && ranking.pair.father == child.father;
      switch (roles[r]) {
        case Role::Mother: outcomes[r][i] = outcomeOf(ranking.mother, mother); break;
        case Role::Father:
        case Role::FatherGivenMother: outcomes[r][i] = outcomeOf(ranking.father, father); break;
        case Role::Pair: outcomes[r][i] = outcomeOf(ranking.pair, pair); break;
      }
    }
  }
}

// The thresholds of one level of precision. The posterior: the smallest
// from which the calls are right that often, but never below the level
// itself. A lower one would reach the precision only on average, the sure
// calls above it hiding doubtful ones just above it (offspring whose parent
// is not sampled among them). Then the delta: the smallest from which the
// calls reaching that posterior are right that often; 0 when all of them are.
void level(const std::vector<Outcome>& called, size_t simulated, double precision,
           CriticalThreshold& posterior, CriticalThreshold& delta) {
  std::vector<ScoredCall> byPosterior;
  for (const Outcome& o : called) byPosterior.push_back({o.posterior, o.right});
  const CriticalThreshold measured = criticalThreshold(byPosterior, simulated, precision);
  posterior = measured;
  delta = CriticalThreshold();
  if (!measured.reached) return;
  const double from = std::max(precision, measured.score);
  posterior = callsFrom(byPosterior, simulated, from);
  std::vector<ScoredCall> byDelta;
  for (const Outcome& o : called) {
    if (o.posterior >= from) byDelta.push_back({o.delta, o.right});
  }
  delta = criticalThreshold(byDelta, simulated, precision);
  if (delta.reached && delta.called == byDelta.size()) delta.score = 0.0;
}

RoleCalibration summarise(Role role, const std::vector<Outcome>& outcomes) {
  RoleCalibration out;
  out.role = role;
  std::vector<Outcome> called;
  std::vector<ScoredCall> calls;
  for (const Outcome& o : outcomes) {
    if (!o.called) continue;
    called.push_back(o);
    calls.push_back({o.delta, o.right});
    out.right += o.right ? 1 : 0;
  }
  out.called = calls.size();
  level(called, outcomes.size(), 0.95, out.strictPosterior, out.strictDelta);
  level(called, outcomes.size(), 0.80, out.relaxedPosterior, out.relaxedDelta);
  for (int delta = 0; delta <= kCurveDeltas; ++delta) {
    out.curve.push_back(callsFrom(calls, outcomes.size(), delta));
  }
  return out;
}

double thresholdOf(const CriticalThreshold& critical) {
  return critical.reached ? critical.score : std::numeric_limits<double>::infinity();
}

}  // namespace

const char* roleName(Role role) {
  switch (role) {
    case Role::Mother: return "mother";
    case Role::Father: return "father";
    case Role::Pair: return "pair";
    case Role::FatherGivenMother: return "father_given_mother";
  }
  return "mother";
}

RoleThresholds Calibration::thresholds() const {
  RoleThresholds thresholds;
  for (const RoleCalibration& role : roles) {
    CallThresholds* to = nullptr;
    switch (role.role) {
      case Role::Mother: to = &thresholds.mother; break;
      case Role::Father: to = &thresholds.father; break;
      case Role::Pair: to = &thresholds.pair; break;
      case Role::FatherGivenMother: to = &thresholds.fatherGivenMother; break;
    }
    to->strictDelta = thresholdOf(role.strictDelta);
    to->relaxedDelta = thresholdOf(role.relaxedDelta);
    to->strictPosterior = thresholdOf(role.strictPosterior);
    to->relaxedPosterior = thresholdOf(role.relaxedPosterior);
  }
  return thresholds;
}

Calibration calibrate(const GenotypeTables& tables, const AlleleFrequencies& frequencies,
                      const RankingSettings& ranking, const std::vector<int32_t>& knownMothers,
                      const SimulationSettings& settings, size_t count, unsigned threads) {
  const OffspringSimulator simulator(tables, frequencies, knownMothers, settings);
  const std::vector<Role> roles = rolesFor(simulator.knownMothers());
  std::vector<std::vector<Outcome>> outcomes(roles.size(), std::vector<Outcome>(count));
  std::atomic<size_t> next{0};
  const auto work = [&]() {
    // A ranker per worker: it keeps buffers between offspring.
    OffspringRanker ranker(tables, frequencies, ranking);
    for (;;) {
      const size_t first = next.fetch_add(kBlock);
      if (first >= count) return;
      rankBlock(simulator, ranker, first, std::min(count, first + kBlock), roles, outcomes);
    }
  };
  const size_t workers =
      std::max<size_t>(1, std::min<size_t>(threads, (count + kBlock - 1) / kBlock));
  std::vector<std::thread> pool;
  for (size_t t = 1; t < workers; ++t) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();

  Calibration out;
  out.simulated = count;
  out.settings = settings;
  out.knownMothers = simulator.knownMothers();
  out.missingRates = simulator.missingRates();
  for (size_t r = 0; r < roles.size(); ++r) out.roles.push_back(summarise(roles[r], outcomes[r]));
  return out;
}
