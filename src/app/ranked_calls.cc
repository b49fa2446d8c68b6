#include "app/ranked_calls.h"

#include <optional>
#include <string>

#include "calibration/calibration.h"

namespace {

// The call in the table's cell for `best`: none when it has no candidate.
std::optional<Call> callFor(const BestCandidate& best) {
  return best.found ? std::optional<Call>(best.call) : std::nullopt;
}

// The calls from which a mother is sure enough to measure the loci's
// mismatch rates.
bool surest(const std::optional<Call>& call) { return call == Call::Strict; }

std::optional<CalibrationPoint> pointOf(const CriticalThreshold& at) {
  if (!at.reached) return std::nullopt;
  return CalibrationPoint{at.score, at.precision, at.share, at.called};
}

std::string roleLabel(Role role) {
  return role == Role::FatherGivenMother ? "father given a known mother" : roleName(role);
}

}  // namespace

void RankedCalls::ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) {
  heard_ = true;
  results_.minDelta = minDelta;
  if (results_.calls.size() <= offspring) {
    results_.calls.resize(offspring + 1);
    results_.confidentMothers.resize(offspring + 1, -1);
  }
  OffspringCalls& calls = results_.calls[offspring];
  calls.knownMother = ranking.knownMother;
  calls.motherCall = callFor(ranking.mother);
  calls.fatherCall = callFor(ranking.father);
  calls.pairCall = callFor(ranking.pair);
  if (ranking.mother.found) calls.motherDelta = ranking.mother.delta;
  if (ranking.pair.found) calls.pairDelta = ranking.pair.delta;
  if (surest(calls.motherCall)) results_.confidentMothers[offspring] = ranking.mother.mother;
}

void RankedCalls::calibrated(const Calibration& calibration) {
  CalibrationView view;
  view.simulated = calibration.simulated;
  for (const RoleCalibration& role : calibration.roles) {
    RoleCalibrationView& shown = view.roles.emplace_back();
    shown.role = roleLabel(role.role);
    shown.strict = pointOf(role.strictDelta);
    shown.relaxed = pointOf(role.relaxedDelta);
    shown.strictPosterior = pointOf(role.strictPosterior);
    shown.relaxedPosterior = pointOf(role.relaxedPosterior);
    for (const CriticalThreshold& at : role.curve) shown.curve.push_back(*pointOf(at));
  }
  results_.calibration = view;
}
