#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "input/checked_tables.h"
#include "page/summary_input.h"

// What the ranked table called, when one was computed in the run.
struct RankedResults {
  double minDelta = 0;
  std::vector<OffspringCalls> calls;  // per offspring row
  // Per offspring row: the best mother's parents-table row when her call is
  // the surest the table makes, otherwise -1. Gives the loci's mismatch rates.
  std::vector<int32_t> confidentMothers;
  std::optional<CalibrationView> calibration;
};

// What a run asks of the marker stage. An empty path: that file is not asked.
struct MarkerRequest {
  std::string tablePath;    // --markers
  std::string summaryPath;  // --summary
  // The run's inputs and options as the summary page lists them.
  std::vector<std::pair<std::string, std::string>> settings;
  std::string version;
  // The loci's names, one per locus, for the locus column; empty: numbers.
  std::vector<std::string> locusNames = {};
  bool any() const { return !tablePath.empty() || !summaryPath.empty(); }
};

// Writes the requested marker table and summary page for the run's checked
// tables, with the offspring as the engine counted
// them at each radius and, when `ranked` is given, the ranked table's calls
// (mismatch rates, deltas, call shares). Returns the paths that could not be
// written, table first. Mother rows out of range are ignored.
std::vector<std::string> writeMarkerOutputs(const MarkerRequest& request,
                                            const CheckedTables& tables,
                                            const std::vector<RadiusCounts>& radii,
                                            const RankedResults* ranked = nullptr);
