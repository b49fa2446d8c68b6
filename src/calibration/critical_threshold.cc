#include "calibration/critical_threshold.h"

#include <algorithm>

namespace {

CriticalThreshold tally(double score, size_t called, size_t right, size_t simulated) {
  CriticalThreshold at;
  at.reached = true;
  at.score = score;
  at.called = called;
  at.right = right;
  at.precision = called == 0 ? 0.0 : static_cast<double>(right) / static_cast<double>(called);
  at.share = simulated == 0 ? 0.0 : static_cast<double>(called) / static_cast<double>(simulated);
  return at;
}

}  // namespace

CriticalThreshold criticalThreshold(std::vector<ScoredCall> calls, size_t simulated,
                                    double precision) {
  std::sort(calls.begin(), calls.end(),
            [](const ScoredCall& a, const ScoredCall& b) { return a.score > b.score; });
  CriticalThreshold best;
  size_t right = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    right += calls[i].right ? 1 : 0;
    // Calls of equal score stand or fall together.
    if (i + 1 < calls.size() && calls[i + 1].score == calls[i].score) continue;
    const size_t called = i + 1;
    if (static_cast<double>(right) >= precision * static_cast<double>(called)) {
      best = tally(calls[i].score, called, right, simulated);
    }
  }
  return best;
}

CriticalThreshold callsFrom(const std::vector<ScoredCall>& calls, size_t simulated,
                            double threshold) {
  size_t called = 0;
  size_t right = 0;
  for (const ScoredCall& call : calls) {
    if (call.score < threshold) continue;
    ++called;
    right += call.right ? 1 : 0;
  }
  return tally(threshold, called, right, simulated);
}
