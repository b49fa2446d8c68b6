#pragma once
#include <string>

#include "calibration/calibration.h"
#include "ranking/genotype_tables.h"
#include "ranking/table_options.h"

// Where the calibration of the table at `tablePath` goes: beside it, with
// ".calibration" appended.
std::string calibrationPath(const std::string& tablePath);

// The calibration file's text. First the inputs, one "# name<TAB>value" line
// each (simulated, seed, sim_error, error_rate, sampled_mothers,
// sampled_fathers, known_mothers, mothers, fathers, loci, missing_rates);
// then a tab-separated table, one header line and per role:
//   role  score  threshold  precision  share_assigned  called  right  chosen
// a row per critical threshold, on the posterior then on the delta (chosen
// "strict": 95% precision, "relaxed": 80%; threshold "none" when no threshold
// reaches it), then the curve, one row per delta 0 to kCurveDeltas (chosen
// empty). Numbers with 4 decimals.
std::string calibrationText(const Calibration& calibration, const GenotypeTables& tables,
                            const RankingSettings& ranking);
