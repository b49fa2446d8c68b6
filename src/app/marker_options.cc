#include "app/marker_options.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "app/analysis_run.h"

namespace {

namespace fs = std::filesystem;

const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};

// Refuses what cannot be a file to write.
CLI::Validator fileName() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (value.empty()) return "an empty name";
        if (value.back() == '/') return "'" + value + "' names a folder";
        std::error_code error;
        if (fs::is_directory(value, error)) return "'" + value + "' is a folder";
        return "";
      },
      "");
}

CLI::Validator pageName() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        const fs::path extension = fs::path(value).extension();
        if (extension == ".html" || extension == ".htm") return "";
        return "'" + value + "' does not end in .html";
      },
      "");
}

// True when the two names reach one file: the same path once made absolute,
// or, when both exist, the same file through a link.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::path left = fs::absolute(a, error).lexically_normal();
  const fs::path right = fs::absolute(b, error).lexically_normal();
  if (!error && left == right) return true;
  return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error);
}

// The files the run reads or writes besides the marker outputs, with how the
// message names them.
std::vector<std::pair<std::string, std::string>> runFiles(const RunOptions& options) {
  std::vector<std::pair<std::string, std::string>> files = {
      {options.parentsFile, "the parents table"}, {options.offspringFile, "the offspring table"}};
  std::vector<std::string> folders = {options.outputDir};
  if (options.radii.size() > 1) {
    folders.clear();
    for (int radius : options.radii) {
      folders.push_back(inFolder(options.outputDir, "radius-" + std::to_string(radius)));
    }
  }
  for (const std::string& folder : folders) {
    for (const char* report : kReports) files.push_back({inFolder(folder, report), "a report"});
  }
  return files;
}

}  // namespace

void addMarkerOptions(CLI::App& app, RunOptions& options) {
  app.add_option("--markers", options.markersFile,
                 "also write the marker table: per locus alleles,\n"
                 "heterozygosity, PIC, exclusion power, null alleles")
      ->type_name("FILE")
      ->check(fileName());
  app.add_option("--summary", options.summaryFile,
                 "also write a summary page (HTML, charts inline,\n"
                 "nothing fetched) to look at after the run")
      ->type_name("FILE.html")
      ->check(fileName())
      ->check(pageName());
}

std::string markerFilesError(const RunOptions& options) {
  const std::pair<const std::string*, const char*> outputs[] = {
      {&options.markersFile, "--markers"}, {&options.summaryFile, "--summary"}};
  if (!options.markersFile.empty() && !options.summaryFile.empty() &&
      sameFile(options.markersFile, options.summaryFile)) {
    return "--markers and --summary name the same file '" + options.markersFile + "'";
  }
  for (const auto& [path, option] : outputs) {
    if (path->empty()) continue;
    for (const auto& [file, role] : runFiles(options)) {
      if (sameFile(*path, file)) return std::string(option) + " '" + *path + "' is " + role;
    }
  }
  return "";
}
