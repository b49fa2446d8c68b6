#include "app/marker_run.h"

#include "app/command_line.h"
#include "calibration/calibration_file.h"
#include "page/marker_outputs.h"
#include "util/decimal_text.h"

namespace {

std::string fileOr(const std::string& path, const std::string& otherwise) {
  return path.empty() ? otherwise : path;
}

// The scope limit as the page lists it: auto, the user's K, or the default.
std::string mismatchLimitText(const RankingSettings& settings) {
  if (settings.autoMismatches) return "auto: from the loci typed in each offspring";
  const std::string k = std::to_string(settings.maxMismatches);
  if (settings.maxMismatchesGiven) return k;
  return k + " (default; auto's for offspring with a strict parent but no strict pair)";
}

// The ranked table's options as the page lists them.
std::vector<std::pair<std::string, std::string>> tableSettings(const RunOptions& options) {
  const TableOptions& t = options.table;
  std::vector<std::pair<std::string, std::string>> settings = {
      {"allele frequencies (--frequencies)", fileOr(t.frequencies, "counted from the tables")},
      {"known mothers (--known-mothers)", fileOr(t.knownMothers, "none")},
      {"names (--names)", fileOr(t.names, "none: numbers and identifiers")},
      {"typing-error rate (--error-rate)", typedNumberText(t.settings.errorRate)},
      {"loci sharing no allele scored up to (--max-mismatches)", mismatchLimitText(t.settings)},
      {"delta floor of strict and relaxed calls (--min-delta)", typedNumberText(t.settings.minDelta)},
      {"true mothers among the candidates (--sampled-mothers)",
       typedNumberText(t.settings.sampledMothers) + (t.settings.sampledMothersGiven ? "" : " (default)")},
      {"true fathers among the candidates (--sampled-fathers)",
       typedNumberText(t.settings.sampledFathers) + (t.settings.sampledFathersGiven ? "" : " (default)")},
  };
  if (t.calibrate == 0) {
    settings.push_back({"calibration (--calibrate)", "none"});
    return settings;
  }
  settings.push_back({"calibration (--calibrate)", std::to_string(t.calibrate) +
                                                       " simulated offspring, written to " +
                                                       calibrationPath(t.table)});
  settings.push_back({"simulated typing-error rate (--sim-error)",
                      typedNumberText(t.simError < 0 ? t.settings.errorRate : t.simError)});
  settings.push_back({"simulation seed (--seed)", std::to_string(t.seed)});
  return settings;
}

std::string joined(const std::vector<int>& radii) {
  std::string text;
  for (int radius : radii) text += (text.empty() ? "" : ", ") + std::to_string(radius);
  return text;
}

}  // namespace

MarkerRun::MarkerRun(const RunOptions& options, std::vector<int> radii)
    : options_(options), radii_(std::move(radii)) {}

void MarkerRun::keepTally() {
  if (tally_ != nullptr) counts_.back().offspring = tally_->counts();
  tally_.reset();
}

OffspringListener* MarkerRun::listenerFor(int radius, const CheckedTables& analysed) {
  keepTally();
  if (options_.summaryFile.empty()) return nullptr;
  // The counts are kept under their radius once the tally is complete.
  counts_.push_back({radius, {}});
  tally_ = std::make_unique<OffspringTally>(analysed.mothers);
  return tally_.get();
}

std::vector<std::string> MarkerRun::write(const CheckedTables& tables) {
  keepTally();
  MarkerRequest request;
  request.tablePath = options_.markersFile;
  request.summaryPath = options_.summaryFile;
  request.locusNames = locusNames_;
  request.settings = {
      {"parents table", options_.parentsFile},
      {"offspring table", options_.offspringFile},
      {options_.radii.empty() ? "radius (typed at the prompt)" : "radius (--radius)",
       joined(radii_)},
      {"reports in", (options_.outputDir == "." ? "the current folder" : options_.outputDir) +
                         (radii_.size() > 1 ? " (a radius-R folder each)" : "")},
      {"marker table (--markers)", options_.markersFile.empty() ? "not written" : options_.markersFile},
      {"summary page (--summary)", options_.summaryFile},
      {"ranked table (--table)", rankedCalls_.heard() ? options_.table.table : "not computed"},
  };
  if (rankedCalls_.heard()) {
    for (auto& setting : tableSettings(options_)) request.settings.push_back(setting);
  }
  request.settings.push_back({"threads (--threads)", options_.threads == 0
                                                         ? "the cores available"
                                                         : std::to_string(options_.threads)});
  request.settings.push_back({"quiet (--quiet)", options_.quiet ? "yes" : "no"});
  request.version = versionText();
  if (!request.version.empty() && request.version.back() == '\n') request.version.pop_back();
  RankedResults ranked = rankedCalls_.results();
  if (ranked.calibration) ranked.calibration->file = calibrationPath(options_.table.table);
  return writeMarkerOutputs(request, tables, counts_, rankedCalls_.heard() ? &ranked : nullptr);
}
