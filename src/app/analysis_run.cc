#include "app/analysis_run.h"

#include <filesystem>

#include "input/table_checks.h"
#include "reports/report_file.h"

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder == "." ? name : (std::filesystem::path(folder) / name).string();
}

std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius, int missing,
                                     const std::string& folder, RunProgress* progress,
                                     OffspringListener* listener) {
  // Checked before creating any report, so bad input leaves old reports alone.
  const int mothers = prepareTables(parents, sons);
  ReportFile parentFile(inFolder(folder, "Parent.out"));
  ReportFile familyFile(inFolder(folder, "Fam.out"));
  ReportFile genotypeFile(inFolder(folder, "Famgenotypes.out"));
  // The reports are written side by side, so a name linked to another report's
  // file would interleave the two. Such a file holds only the report opened
  // last, as when each report is written and closed in turn.
  if (parentFile.sharesFileWith(familyFile) || parentFile.sharesFileWith(genotypeFile)) {
    parentFile.leaveToLaterReport();
  }
  if (familyFile.sharesFileWith(genotypeFile)) familyFile.leaveToLaterReport();
  // The progress line is cleared however the analysis ends (out of memory
  // included), so no message is printed after a stale line.
  struct FinishProgress {
    RunProgress* progress;
    ~FinishProgress() {
      if (progress != nullptr) progress->finish();
    }
  } finishProgress{progress};
  const SinkResults results =
      analysePrepared(parents, sons, mothers, radius, missing,
                      {parentFile, familyFile, genotypeFile}, progress, listener);
  std::vector<std::string> unwritten;
  if (!results.parents) unwritten.push_back(parentFile.name());
  if (!results.families) unwritten.push_back(familyFile.name());
  if (!results.genotypes) unwritten.push_back(genotypeFile.name());
  return unwritten;
}
