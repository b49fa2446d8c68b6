#include "app/marker_options.h"

#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

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
