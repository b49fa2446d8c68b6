#include "app/run_paths.h"

#include <vector>

#include "app/analysis_run.h"
#include "calibration/calibration_file.h"
#include "files/path_clash.h"

namespace {

const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};

std::string quoted(const char* option, const std::string& path) {
  return std::string(option) + " '" + path + "'";
}

}  // namespace

std::string reportFolder(const RunOptions& options, int radius) {
  if (options.radii.size() < 2) return options.outputDir;
  return inFolder(options.outputDir, "radius-" + std::to_string(radius));
}

std::vector<NamedOutput> namedOutputs(const RunOptions& options) {
  std::vector<NamedOutput> outputs;
  const auto add = [&outputs](const std::string& path, const std::string& label) {
    if (!path.empty()) outputs.push_back({path, label});
  };
  add(options.table.candidates, quoted("--candidates", options.table.candidates));
  add(options.table.table, quoted("--table", options.table.table));
  add(options.markersFile, quoted("--markers", options.markersFile));
  add(options.summaryFile, quoted("--summary", options.summaryFile));
  // The calibration goes beside the table, so it is checked like the table.
  if (options.table.calibrate > 0 && !options.table.table.empty()) {
    const std::string sidecar = calibrationPath(options.table.table);
    add(sidecar, "the calibration '" + sidecar + "'");
  }
  return outputs;
}

std::string runPathsError(const RunOptions& options) {
  using Use = RunPath::Use;
  std::vector<RunPath> paths = {
      {options.parentsFile, quoted("--parents", options.parentsFile), Use::Read},
      {options.offspringFile, quoted("--offspring", options.offspringFile), Use::Read},
      {options.table.frequencies, quoted("--frequencies", options.table.frequencies), Use::Read},
      {options.table.knownMothers, quoted("--known-mothers", options.table.knownMothers), Use::Read},
      {options.table.names, quoted("--names", options.table.names), Use::Read},
      {options.table.errorRates, quoted("--error-rate", options.table.errorRates), Use::Read},
      {options.table.groups, quoted("--groups", options.table.groups), Use::Read},
      {options.table.exclude, quoted("--exclude", options.table.exclude), Use::Read},
      {options.table.locusNamesFile, quoted("--locus-names", options.table.locusNamesFile),
       Use::Read},
  };
  for (const NamedOutput& output : namedOutputs(options)) {
    paths.push_back({output.path, output.label, Use::Named});
  }
  std::vector<std::string> folders = {options.outputDir};
  if (options.radii.size() > 1) {
    folders.clear();
    for (int radius : options.radii) folders.push_back(reportFolder(options, radius));
  }
  for (const std::string& folder : folders) {
    for (const char* report : kReports) {
      const std::string path = inFolder(folder, report);
      paths.push_back({path, "the report '" + path + "'", Use::Replaced});
    }
  }
  return pathClash(paths);
}
