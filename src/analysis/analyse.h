#pragma once
#include "analysis/offspring_listener.h"
#include "analysis/parallel_listener.h"
#include "analysis/run_progress.h"
#include "input/checked_tables.h"
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

// What hears the engine besides the reports, each optional. `progress` and
// `offspring` hear about every offspring, in offspring order; `parallel` has
// a worker on every search thread and hears the pieces in offspring order.
struct EngineListeners {
  RunProgress* progress = nullptr;
  OffspringListener* offspring = nullptr;
  ParallelListener* parallel = nullptr;
};

// The engine: analyses the checked tables for `radius` offspring by
// offspring (OffspringAnalysis), streaming the reports into `sinks` as it
// goes: the same text that fillSpheres, matings, writeParents and
// writeFamilieswithGenotypes give, without holding the families: the family
// lines go to the sink as they come, their count last through writeHead().
// Stops early once every sink has failed (progress then hears how far it
// got). Offspring are searched on `threads` threads (at least one); the
// reports and what the listeners hear are the same for every count. Returns
// false for each sink that failed to close. Never throws RunFailure.
SinkResults analyse(const CheckedTables& tables, int32_t radius, const ReportSinks& sinks,
                    const EngineListeners& listeners = {}, unsigned threads = 1);

// The R package's entry (r/src/engine_glue.cpp), kept with its old
// signature until the package calls the one above: checks the tables
// (checkTables, throwing RunFailure before any write) and analyses them.
SinkResults analyse(Data& parents, Data& sons, int radius, int missing, const ReportSinks& sinks,
                    RunProgress* progress = nullptr, OffspringListener* listener = nullptr,
                    unsigned threads = 1, ParallelListener* parallel = nullptr);
