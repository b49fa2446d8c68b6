#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "files/folder_lock.h"
#include "files/replaced_file.h"

// The three reports of one run in one folder, "Parent.out", "Fam.out" and
// "Famgenotypes.out": three replaced files sharing the folder's lock, put in
// place together once the analysis is over. A run that fails or is
// interrupted before commit() leaves every previous report exactly as it was.
class ReportSet {
 public:
  // `folder` is where the reports go. Nothing is touched before open().
  explicit ReportSet(std::string folder = ".");
  ReportSet(const ReportSet&) = delete;
  ReportSet& operator=(const ReportSet&) = delete;

  // Locks the folder (or shares the lock this process holds on it), removes
  // the temporaries left by killed runs and creates one temporary per report.
  // False, with nothing touched, when another run holds the folder. A report
  // whose name is a folder or a file this user may not write, or whose
  // temporary cannot be created, gets a sink that has failed already.
  bool open();

  ReportSink& parents() { return reports_[0]->sink(); }
  ReportSink& families() { return reports_[1]->sink(); }
  ReportSink& genotypes() { return reports_[2]->sink(); }

  // Closes the reports and renames each one written in full over its final
  // name (a link of that name is replaced by the report, never written
  // through), then syncs the folder. Returns the paths of the reports not
  // written, in the order above; for those the previous file stays.
  std::vector<std::string> commit();

 private:
  void removeStaleTemporaries() const;
  std::string pathOf(const std::string& name) const;

  std::string folder_;
  std::shared_ptr<FolderLock> lock_;
  std::array<std::unique_ptr<ReplacedFile>, 3> reports_;
};
