#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "input/data.h"
#include "reports/report_file.h"

// Told how far a run has got, so a front end can show progress. update() is
// called every few hundred offspring at most; finish() once, when the analysis
// is over (also after a failure to write a report).
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void update(size_t sonsDone, size_t sonsTotal) = 0;
  virtual void finish() = 0;
};

// Where the three reports go.
struct ReportSinks {
  ReportSink& parents;      // "Parent.out"
  ReportSink& families;     // "Fam.out"
  ReportSink& genotypes;    // "Famgenotypes.out"
};

// Analyses the tables for `radius` offspring by offspring, streaming the
// reports into `sinks` as it goes: the same text that fillSpheres, matings,
// writeParents and writeFamilieswithGenotypes give, without holding the
// families (only the family list lines, whose count heads "Fam.out").
// Throws RunFailure on tables that cannot be analysed, before any write.
// Sets nLoci on both tables. Returns false for each sink that failed to close,
// in the order parents, families, genotypes.
struct SinkResults {
  bool parents = true;
  bool families = true;
  bool genotypes = true;
};
SinkResults analyse(Data& parents, Data& sons, int radius, int missing, const ReportSinks& sinks,
                    RunProgress* progress = nullptr);

// Analyses the two tables for `radius` and writes "Parent.out", "Fam.out" and
// "Famgenotypes.out" in the current directory. Throws RunFailure on tables
// that cannot be analysed, before any report is opened. Returns the names of
// the reports that could not be opened, written or closed (every other report
// is still written in full), in the order Parent.out, Fam.out, Famgenotypes.out.
// Precondition: valoresperdidos holds the tables' missing-value code.
std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius,
                                     RunProgress* progress = nullptr);
