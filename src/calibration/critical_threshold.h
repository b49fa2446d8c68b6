#pragma once
#include <cstddef>
#include <vector>

// One call made on a simulated offspring: its score (a delta or a posterior)
// and whether the called candidate is the true parent.
struct ScoredCall {
  double score;
  bool right;
};

// The lowest score from which calls are right often enough.
struct CriticalThreshold {
  bool reached = false;  // false: no threshold gives the precision asked
  double score = 0.0;    // calls at or above it are right at least that often
  double precision = 0.0;  // realised among them
  double share = 0.0;      // of all simulated offspring, called at or above it
  size_t called = 0;
  size_t right = 0;
};

// The smallest score t such that the calls scoring t or more are right at
// least `precision` of the time, over `simulated` offspring (the share's
// denominator, which counts offspring without a call too). Not reached
// when no t gives it (or there are no calls).
CriticalThreshold criticalThreshold(std::vector<ScoredCall> calls, size_t simulated,
                                    double precision);

// The precision and share of the calls scoring `threshold` or more (precision
// 0 and called 0 when there are none).
CriticalThreshold callsFrom(const std::vector<ScoredCall>& calls, size_t simulated,
                            double threshold);
