#pragma once
#include <memory>
#include <string>
#include <vector>

#include "analysis/offspring_listener.h"
#include "app/ranked_calls.h"
#include "app/run_options.h"
#include "input/checked_tables.h"
#include "page/offspring_tally.h"
#include "page/summary_input.h"

// The marker outputs of one run (--markers, --summary): listens to the engine
// at each radius, then writes the files once every radius is analysed.
class MarkerRun {
 public:
  // `radii` are the radii the run analyses (the prompted one included).
  MarkerRun(const RunOptions& options, std::vector<int> radii);

  // The listener for the analysis of `analysed` at `radius`, or null when no
  // page is asked. Valid until the next call.
  OffspringListener* listenerFor(int radius, const CheckedTables& analysed);

  // The listener for the ranked table's rankings, or null when no marker
  // output is asked.
  RankingListener* rankingListener() { return wanted() ? &rankedCalls_ : nullptr; }

  // Labels the loci of the marker table and the summary page with `names`
  // (one per locus; empty: numbers).
  void nameLoci(std::vector<std::string> names) { locusNames_ = std::move(names); }

  // Writes what the options ask (nothing when neither option is given).
  // Returns the paths that could not be written.
  std::vector<std::string> write(const CheckedTables& tables);

 private:
  void keepTally();
  bool wanted() const { return !options_.markersFile.empty() || !options_.summaryFile.empty(); }

  const RunOptions& options_;
  std::vector<int> radii_;
  std::unique_ptr<OffspringTally> tally_;
  std::vector<RadiusCounts> counts_;
  RankedCalls rankedCalls_;
  std::vector<std::string> locusNames_;
};
