#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calibration/critical_threshold.h"
#include "calibration/offspring_simulator.h"
#include "ranking/allele_frequencies.h"
#include "ranking/call.h"
#include "ranking/genotype_tables.h"
#include "ranking/table_options.h"

// The roles a calibration measures: mother, father and pair when mothers are
// ranked; the father given the mother when the mothers are known.
enum class Role { Mother, Father, Pair, FatherGivenMother };
const char* roleName(Role role);  // "mother", "father", "pair", "father_given_mother"

// The delta from which the short precision curve is read, in steps of one.
constexpr int kCurveDeltas = 10;

// What the simulation found for one role.
struct RoleCalibration {
  Role role = Role::Mother;
  size_t called = 0;  // simulated offspring with a best candidate of LOD above 0
  size_t right = 0;   // of those, the true parent
  // The thresholds of strict (95% precision) and relaxed (80%) calls: the
  // posterior from which the calls are right that often, never below that
  // share itself; then the delta from which the calls reaching that
  // posterior are (0 when all of them are). Precision and share are those of
  // the calls reaching both.
  CriticalThreshold strictPosterior;
  CriticalThreshold strictDelta;
  CriticalThreshold relaxedPosterior;
  CriticalThreshold relaxedDelta;
  std::vector<CriticalThreshold> curve;  // deltas 0, 1, ... kCurveDeltas
};

struct Calibration {
  size_t simulated = 0;
  SimulationSettings settings;
  bool knownMothers = false;
  std::vector<double> missingRates;  // per locus, as simulated
  std::vector<RoleCalibration> roles;

  // The thresholds the calls take from this calibration: the critical
  // posteriors and deltas of each role measured (a level not reached calls
  // nothing at that level); roles not measured keep the defaults.
  RoleThresholds thresholds() const;
};

// Simulates `count` offspring (see OffspringSimulator; the sampled shares are
// the ranking's) and ranks each with an OffspringRanker over the real
// parents, the run's frequencies and settings,
// on `threads` threads; the result does not depend on the thread count.
// `knownMothers` as for OffspringSimulator.
Calibration calibrate(const GenotypeTables& tables, const AlleleFrequencies& frequencies,
                      const RankingSettings& ranking, const std::vector<int32_t>& knownMothers,
                      const SimulationSettings& settings, size_t count, unsigned threads);
