#include "calibration/calibration_file.h"

#include "util/decimal_text.h"

namespace {

std::string fixed(double value) { return printedDecimal(value, 4); }

void input(std::string& out, const char* name, const std::string& value) {
  out += std::string("# ") + name + "\t" + value + "\n";
}

void row(std::string& out, const char* role, const char* score, const CriticalThreshold& at,
         const char* chosen) {
  out += std::string(role) + "\t" + score + "\t" + (at.reached ? fixed(at.score) : "none") + "\t" +
         (at.reached ? fixed(at.precision) : "") + "\t" + (at.reached ? fixed(at.share) : "") +
         "\t" + std::to_string(at.called) + "\t" + std::to_string(at.right) + "\t" + chosen + "\n";
}

}  // namespace

std::string calibrationPath(const std::string& tablePath) { return tablePath + ".calibration"; }

std::string calibrationText(const Calibration& calibration, const GenotypeTables& tables,
                            const RankingSettings& ranking) {
  const SimulationSettings& s = calibration.settings;
  std::string out = "# parentsphere calibration by simulation\n";
  input(out, "simulated", std::to_string(calibration.simulated));
  input(out, "seed", std::to_string(s.seed));
  input(out, "sim_error", fixed(s.errorRate));
  input(out, "error_rate", fixed(ranking.errorRate));
  input(out, "sampled_mothers", calibration.knownMothers ? "known" : fixed(s.sampledMothers));
  input(out, "sampled_fathers", fixed(s.sampledFathers));
  input(out, "known_mothers", calibration.knownMothers ? "yes" : "no");
  input(out, "mothers", std::to_string(tables.mothers));
  input(out, "fathers", std::to_string(tables.parents.size() - static_cast<size_t>(tables.mothers)));
  input(out, "loci", std::to_string(tables.loci));
  std::string rates;
  for (double rate : calibration.missingRates) rates += (rates.empty() ? "" : ",") + fixed(rate);
  input(out, "missing_rates", rates);
  out += "role\tscore\tthreshold\tprecision\tshare_assigned\tcalled\tright\tchosen\n";
  for (const RoleCalibration& role : calibration.roles) {
    const char* name = roleName(role.role);
    row(out, name, "posterior", role.strictPosterior, "strict");
    row(out, name, "posterior", role.relaxedPosterior, "relaxed");
    row(out, name, "delta", role.strictDelta, "strict");
    row(out, name, "delta", role.relaxedDelta, "relaxed");
    for (const CriticalThreshold& point : role.curve) row(out, name, "delta", point, "");
  }
  return out;
}
