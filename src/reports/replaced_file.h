#pragma once
#include <memory>
#include <string>

#include "reports/report_file.h"

// A file the run writes whole or not at all (the ranked table, the marker
// table, the summary page): its text goes to a temporary beside `path`,
// created exclusively, and commit() renames it over `path`. An old file is
// replaced only by a complete one, a link at `path` is replaced rather than
// written through, and an interrupted run removes the temporary (a killed
// one's is removed by the next run that writes the same file).
class ReplacedFile {
 public:
  // Creates the temporary. When `path` names a folder, a file this user may
  // not write, or a place where nothing can be created, sink() has failed
  // already and commit() returns false, leaving whatever is at `path`.
  explicit ReplacedFile(const std::string& path);
  // Removes the temporary unless commit() has run.
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  ReportSink& sink() { return *file_; }
  // Writes the file out, syncs it and renames it over `path`. True when the
  // complete text is there; false leaves the old file as it was.
  bool commit();

 private:
  void removeTemporary();

  int folderFd_ = -1;
  std::string name_;       // the final name inside the folder
  std::string temporary_;  // empty when none exists
  int slot_ = -1;          // its interrupt-cleanup registration
  std::unique_ptr<ReportFile> file_;
};
