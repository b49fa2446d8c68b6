#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "reports/folder_lock.h"
#include "reports/report_file.h"

// The three reports of one run in one folder, "Parent.out", "Fam.out" and
// "Famgenotypes.out", written to temporary files beside them and put in place
// together once the analysis is over. A run that fails or is interrupted
// before commit() leaves every previous report exactly as it was.
class ReportSet {
 public:
  // `folder` is where the reports go. Nothing is touched before open().
  explicit ReportSet(std::string folder = ".");
  // Removes the temporaries unless commit() has run.
  ~ReportSet();
  ReportSet(const ReportSet&) = delete;
  ReportSet& operator=(const ReportSet&) = delete;

  // Locks the folder, removes the temporaries left by killed runs and creates
  // one temporary per report. False, with nothing touched, when another run
  // holds the folder. A report whose name is a folder or a file this user may
  // not write, or whose temporary cannot be created, gets a sink that has
  // failed already.
  bool open();

  ReportSink& parents() { return *reports_[0].file; }
  ReportSink& families() { return *reports_[1].file; }
  ReportSink& genotypes() { return *reports_[2].file; }

  // Closes the reports and renames each one written in full over its final
  // name (a link of that name is replaced by the report, never written
  // through), then syncs the folder. Returns the paths of the reports not
  // written, in the order above; for those the previous file stays.
  std::vector<std::string> commit();

 private:
  struct Report {
    std::string name;
    std::string temporary;  // empty when none was created
    int slot = -1;          // its interrupt-cleanup registration
    std::unique_ptr<ReportFile> file;
  };

  void removeStaleTemporaries() const;
  int createTemporary(const std::string& name, const char* kind, int access, Report* keep);
  void removeTemporary(Report& report);
  std::string pathOf(const std::string& name) const;

  std::string folder_;
  std::unique_ptr<FolderLock> lock_;
  std::array<Report, 3> reports_;
  bool committed_ = false;
};
