#pragma once
#include <string>
#include <vector>

#include "input/data.h"

// Told how far a run has got, so a front end can show progress. update() is
// called every few hundred offspring at most; finish() once, when the analysis
// is over (also after a failure to write a report).
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void update(size_t sonsDone, size_t sonsTotal) = 0;
  virtual void finish() = 0;
};

// Analyses the two tables for `radius` and writes "Parent.out", "Fam.out" and
// "Famgenotypes.out" in the current directory. Throws RunFailure on tables
// that cannot be analysed, before any report is opened. Returns the names of
// the reports that could not be opened, written or closed (every other report
// is still written in full), in the order Parent.out, Fam.out, Famgenotypes.out.
// Precondition: valoresperdidos holds the tables' missing-value code.
std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius,
                                     RunProgress* progress = nullptr);
