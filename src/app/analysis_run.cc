#include "app/analysis_run.h"

#include <filesystem>

#include "files/report_set.h"
#include "files/size_guard.h"
#include "status/run_failure.h"

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder == "." ? name : (std::filesystem::path(folder) / name).string();
}

namespace {

// The three reports of `run`, the engine feeding `ranked` (null: none) too.
std::vector<std::string> writeReports(const CheckedTables& tables, const RadiusRun& run,
                                      const RunListeners& listeners, ParallelListener* ranked) {
  const std::string& folder = run.folder;
  ReportSet reports(folder);
  if (!reports.open()) {
    throw RunFailure("", "parentsphere: another run is writing its reports in " +
                             (folder == "." ? std::string("this folder") : folder) +
                             "; nothing was changed");
  }
  RunProgress* const progress = listeners.progress;
  // The progress line is cleared however the analysis ends (out of memory
  // included), so no message is printed after a stale line.
  struct FinishProgress {
    RunProgress* progress;
    ~FinishProgress() {
      if (progress != nullptr) progress->finish();
    }
  } finishProgress{progress};
  SizeGuard guard(run.maxOutput, folder,
                  {reports.parents(), reports.families(), reports.genotypes()}, progress);
  analyse(tables, run.radius, guard.sinks(), {guard.progress(), listeners.offspring, ranked},
          run.threads);
  const std::string overSize = guard.overSize();
  if (!overSize.empty()) {
    // A full disk is a report that could not be written, as it always was
    // on standard output; only --max-output, which a script asked for, is a
    // message of its own.
    std::string lost;
    if (!guard.byOption()) {
      for (const char* name : {"Parent.out", "Fam.out", "Famgenotypes.out"}) {
        lost += std::string("can not write ") + inFolder(folder, name) + " output file\n";
      }
    }
    throw RunFailure(lost, overSize);
  }
  return reports.commit();
}

}  // namespace

std::vector<std::string> runRadius(const CheckedTables& tables, const RadiusRun& run,
                                   const RunListeners& listeners) {
  // Bad table option files stop the run before the folder is touched.
  ParallelListener* const ranked =
      listeners.table != nullptr ? &listeners.table->start(tables, run.radius) : nullptr;
  std::vector<std::string> unwritten = writeReports(tables, run, listeners, ranked);
  if (listeners.table != nullptr) listeners.table->finish(unwritten);
  return unwritten;
}
