#pragma once
#include <cstddef>

// Told how far a run has got, so a front end can show progress. update() is
// called every few hundred offspring at most; finish() once, when the analysis
// is over (also after a failure to write a report).
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void update(size_t sonsDone, size_t sonsTotal) = 0;
  virtual void finish() = 0;
};
