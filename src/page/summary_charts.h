#pragma once
#include <string>

#include "page/summary_answer.h"
#include "page/summary_input.h"

// The page's charts, each one inline <svg> element with the id named here.
std::string exclusionChart(const SummaryInput& in);   // "exclusion": excl_* per locus
std::string mismatchChart(const SummaryInput& in);    // "mismatch": mismatch_rate per locus
// Histograms per offspring at one radius: "candidates-R" and "families-R".
std::string candidatesChart(const RadiusCounts& run);
std::string familiesChart(const RadiusCounts& run);
std::string deltaChart(const SummaryInput& in);       // "deltas": mother and pair deltas
// "calls": per role, the shares of each call word and of no candidate.
std::string callsChart(const CallTallies& tallies);
// "calibration-ROLE" (spaces as '-'): realised precision and share assigned
// against the delta threshold, the chosen thresholds marked.
std::string calibrationChart(const RoleCalibrationView& role);
