#include "app/analysis_run.h"

#include <filesystem>

#include "input/table_checks.h"
#include "files/report_set.h"
#include "files/size_guard.h"
#include "status/run_failure.h"

std::string inFolder(const std::string& folder, const std::string& name) {
  return folder == "." ? name : (std::filesystem::path(folder) / name).string();
}

std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius, int missing,
                                     const std::string& folder, RunProgress* progress,
                                     OffspringListener* listener, unsigned threads,
                                     ParallelListener* parallel, uint64_t maxOutput) {
  // Checked before touching the folder, so bad input leaves old reports alone.
  const int mothers = prepareTables(parents, sons);
  ReportSet reports(folder);
  if (!reports.open()) {
    throw RunFailure("", "parentsphere: another run is writing its reports in " +
                             (folder == "." ? std::string("this folder") : folder) +
                             "; nothing was changed");
  }
  // The progress line is cleared however the analysis ends (out of memory
  // included), so no message is printed after a stale line.
  struct FinishProgress {
    RunProgress* progress;
    ~FinishProgress() {
      if (progress != nullptr) progress->finish();
    }
  } finishProgress{progress};
  SizeGuard guard(maxOutput, folder, {reports.parents(), reports.families(), reports.genotypes()},
                  progress);
  analysePrepared(parents, sons, mothers, radius, missing, guard.sinks(), guard.progress(),
                  listener, threads, parallel);
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
