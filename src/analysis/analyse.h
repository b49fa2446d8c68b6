#pragma once
#include "analysis/offspring_listener.h"
#include "analysis/parallel_listener.h"
#include "analysis/run_progress.h"
#include "input/data.h"
#include "reports/report_sink.h"

// Where the three reports go.
struct ReportSinks {
  ReportSink& parents;      // "Parent.out"
  ReportSink& families;     // "Fam.out"
  ReportSink& genotypes;    // "Famgenotypes.out"
};

// Whether each sink closed cleanly.
struct SinkResults {
  bool parents = true;
  bool families = true;
  bool genotypes = true;
};

// Analyses the tables for `radius` offspring by offspring (OffspringAnalysis),
// streaming the reports into `sinks` as it goes: the same text that
// fillSpheres, matings, writeParents and writeFamilieswithGenotypes give,
// without holding the families: the family lines go to the sink as they come,
// their count last through writeHead(). Stops early once every sink has failed
// (progress then hears how far it got). `missing` is the missing-value code. Throws RunFailure on tables
// that cannot be analysed, before any write. Sets nLoci on both tables.
// `progress` and `listener`, when given, hear about every offspring, in
// offspring order. Offspring are searched on `threads` threads (at least one);
// the reports and what the listener hears are the same for every count.
// `parallel`, when given, has a worker on every thread and hears the pieces
// in offspring order. Returns false for each sink that failed to close.
SinkResults analyse(Data& parents, Data& sons, int radius, int missing, const ReportSinks& sinks,
                    RunProgress* progress = nullptr, OffspringListener* listener = nullptr,
                    unsigned threads = 1, ParallelListener* parallel = nullptr);

// The same on tables prepareTables has already checked; `motherCount` is what
// it returned. Never throws RunFailure.
SinkResults analysePrepared(const Data& parents, const Data& sons, int motherCount, int radius,
                            int missing, const ReportSinks& sinks, RunProgress* progress = nullptr,
                            OffspringListener* listener = nullptr, unsigned threads = 1,
                            ParallelListener* parallel = nullptr);
