#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "markers/marker_statistics.h"
#include "ranking/call.h"

// Everything the summary page shows, as plain values: the page writer reads
// nothing else, so it can be fed by hand in a test.

// What the sphere search found for one offspring.
struct OffspringCounts {
  size_t mothers = 0;   // candidate mothers within the radius
  size_t fathers = 0;   // candidate fathers within the radius
  size_t families = 0;  // its families in Fam.out
};

// One offspring's row of the ranked table: the calls of its *_call cells and
// the deltas; empty where the table has an empty cell (no candidate).
struct OffspringCalls {
  std::optional<double> motherDelta;
  std::optional<Call> motherCall;
  std::optional<Call> fatherCall;
  std::optional<double> pairDelta;
  std::optional<Call> pairCall;
  bool knownMother = false;  // the mother was given by --known-mothers
};

// One point of a calibration: the calls of simulated offspring whose delta
// is at least `threshold`.
struct CalibrationPoint {
  double threshold = 0;
  double precision = 0;  // share of them naming the true parent
  double share = 0;      // of all simulated offspring
  size_t called = 0;
};

// What the calibration by simulation measured for one role.
struct RoleCalibrationView {
  std::string role;  // "mother", "father", "pair", "father given a known mother"
  std::optional<CalibrationPoint> strict;   // delta at 95% precision; empty: not reached
  std::optional<CalibrationPoint> relaxed;  // 80%
  std::optional<CalibrationPoint> strictPosterior;  // posterior at 95% precision
  std::optional<CalibrationPoint> relaxedPosterior;
  std::vector<CalibrationPoint> curve;      // growing thresholds
};

struct CalibrationView {
  size_t simulated = 0;
  std::string file;  // the calibration file's path
  std::vector<RoleCalibrationView> roles;
};

// The counts of every offspring, in offspring order, at one radius.
struct RadiusCounts {
  int radius = 0;
  std::vector<OffspringCounts> offspring;
};

struct SummaryInput {
  // What the run read and was asked, as label and value pairs (file names,
  // the radius, options), in the order to list them. Plain text.
  std::vector<std::pair<std::string, std::string>> settings;
  size_t motherCount = 0;  // candidate mothers in the parents table
  size_t fatherCount = 0;
  std::vector<MarkerRow> loci;  // one per locus, column order
  std::vector<std::string> locusNames;  // one per locus, or empty: numbered
  MarkerRow combined;           // the `all` row
  std::vector<RadiusCounts> radii;  // one per radius analysed, in run order
  bool rankedTable = false;  // calls, minDelta and the loci's mismatch rates are set
  double minDelta = 0;
  std::vector<OffspringCalls> calls;  // one per offspring when rankedTable
  size_t offspringCount = 0;
  std::optional<CalibrationView> calibration;  // with --calibrate
  std::string version;  // the program's, e.g. "parentsphere 1.2.0"
};
