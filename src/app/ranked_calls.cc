#include "app/ranked_calls.h"

#include "ranking/table_row.h"

namespace {

// The call the table writes for `best`, or none when it has no candidate.
std::optional<Call> callFor(const BestCandidate& best, bool known) {
  if (!best.found) return std::nullopt;
  return known ? Call::Known : best.call;
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
  calls.motherCall = callFor(ranking.mother, ranking.knownMother);
  calls.pairCall = callFor(ranking.pair, false);
  if (ranking.mother.found) calls.motherDelta = ranking.mother.delta;
  if (ranking.pair.found) calls.pairDelta = ranking.pair.delta;
  if (calls.motherCall == Call::Strict) results_.confidentMothers[offspring] = ranking.mother.mother;
}
