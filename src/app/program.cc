#include "app/program.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/analysis_run.h"
#include "app/available_cores.h"
#include "app/marker_run.h"
#include "app/names_and_warnings.h"
#include "app/run_paths.h"
#include "app/table_run.h"
#include "files/folder_locks.h"
#include "input/both_roles.h"
#include "input/data.h"
#include "input/missing_value.h"
#include "input/table_checks.h"
#include "ranking/locus_names.h"
#include "status/exit_status.h"
#include "status/run_failure.h"

namespace {

const char* const kComment = "#";

// The radius typed at the prompt. Not a number is not an error: the run goes
// on with what the stream gives (0, or the nearest limit for a number out of
// range), and a warning says so.
int promptedRadius(std::istream& in, std::ostream& err, bool quiet) {
  int radius = 0;
  in >> radius;
  if (in.fail() && !quiet) {
    err << "parentsphere: warning: the radius typed at the prompt is not a whole number; the run "
           "used radius "
        << radius << "\n";
  }
  return radius;
}

// Creates `folder` and its missing parents. When that fails the reports cannot
// be opened and say so; the reason goes to `err`.
void createFolder(const std::string& folder, std::ostream& err) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) err << "parentsphere: can not create folder " << folder << ": " << error.message() << "\n";
}

// Creates the report folders and locks every folder the run writes into.
// Throws RunFailure, with nothing changed, when another run holds one.
FolderLocks lockOutputFolders(const RunOptions& options, const std::vector<int>& radii,
                              std::ostream& err) {
  std::vector<std::string> folders;
  for (int radius : radii) {
    folders.push_back(reportFolder(options, radius));
    createFolder(folders.back(), err);
  }
  const size_t reportFolders = folders.size();
  for (const NamedOutput& output : namedOutputs(options)) folders.push_back(folderOf(output.path));
  FolderLocks locks(folders);
  if (locks.busy().empty()) return locks;
  const auto end = folders.begin() + static_cast<std::ptrdiff_t>(reportFolders);
  const bool reports = std::find(folders.begin(), end, locks.busy()) != end;
  const std::string where = locks.busy() == "." ? std::string("this folder") : locks.busy();
  throw RunFailure("", "parentsphere: another run is writing " +
                           std::string(reports ? "its reports " : "") + "in " + where +
                           "; nothing was changed");
}

}  // namespace

int runProgram(const RunOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const ProgressFactory& makeProgress) {
  const bool prompted = options.radii.empty();
  std::vector<int> radii = options.radii;
  if (prompted) {
    out << "Input the radius value (0, 2, 4, 6,8 ...): " << std::flush;
    radii.push_back(promptedRadius(in, err, options.quiet));
  }
  try {
    const unsigned threads = options.threads > 0 ? options.threads : availableCores();
    Data parents(options.parentsFile, kMissingValue, kComment, threads);
    Data sons(options.offspringFile, kMissingValue, kComment, threads);
    parents.firstFatherId = options.firstFatherId;
    // Checked, and the mothers counted, once for the run, before any folder
    // is made.
    const CheckedTables checked = checkTables(parents, sons, kMissingValue);
    const std::shared_ptr<const NameBook> names = readNamesAndWarn(checked, options, err);
    if (!options.table.table.empty() && !options.quiet) {
      const std::string note = defaultSharesNote(options.table.settings);
      if (!note.empty()) err << note << "\n" << std::flush;
    }
    TableOptions table = options.table;
    // Only outputs that show loci look for their names.
    if (!table.table.empty() || !options.markersFile.empty() || !options.summaryFile.empty()) {
      table.locusNames = locusNamesFor(table.locusNamesFile, options.parentsFile,
                                       options.offspringFile, checked.loci);
    }
    MarkerRun markers(options, radii);
    const FolderLocks locks = lockOutputFolders(options, radii, err);
    markers.nameLoci(table.locusNames);
    // Hermaphrodites: every individual is searched as a mother and as a
    // father; the marker outputs still read each once, from `checked`.
    std::unique_ptr<Data> doubled;
    if (table.settings.hermaphrodites) doubled = std::make_unique<Data>(bothRoles(parents));
    const CheckedTables analysed = doubled != nullptr ? inBothRoles(checked, *doubled) : checked;
    std::optional<TableRun> tableRun;
    if (!table.table.empty()) {
      tableRun.emplace(table, names, options.quiet ? nullptr : &err, markers.rankingListener(),
                       threads);
    }
    for (int radius : radii) {
      const RadiusRun run{radius, reportFolder(options, radius), threads, options.maxOutput};
      const std::unique_ptr<RunProgress> progress = makeProgress ? makeProgress() : nullptr;
      const RunListeners listeners{progress.get(), markers.listenerFor(run.radius, analysed),
                                   tableRun ? &*tableRun : nullptr};
      const std::vector<std::string> unwritten = runRadius(analysed, run, listeners);
      if (!unwritten.empty()) {
        for (const std::string& name : unwritten) out << "can not write " << name << " output file\n";
        out << std::flush;
        return ExitFailure;
      }
      if (!prompted) {
        out << "radius " << run.radius << ": reports in " << run.folder << "\n" << std::flush;
      }
    }
    const std::vector<std::string> unwritten = markers.write(checked);
    if (!unwritten.empty()) {
      for (const std::string& name : unwritten) out << "can not write " << name << " output file\n";
      out << std::flush;
      return 1;
    }
  } catch (const RunFailure& failure) {
    out << failure.what() << std::flush;
    if (!failure.detail().empty()) err << failure.detail() << "\n" << std::flush;
    return failure.status();
  } catch (const std::bad_alloc&) {
    // Say so plainly instead of aborting; the reports of this radius stay as
    // they were.
    out << "not enough memory to finish the analysis\n" << std::flush;
    return ExitFailure;
  }
  out << (prompted ? "\nDONE" : "DONE") << std::endl;
  // Status 0 promises that DONE was printed.
  return out ? ExitSuccess : ExitFailure;
}
