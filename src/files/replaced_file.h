#pragma once
#include <memory>
#include <string>

#include "files/checked_file.h"
#include "files/folder_lock.h"

// A file the run writes whole or not at all (a report, the ranked table, the
// marker table, the summary page): its text goes to a temporary beside its
// final name, created exclusively, and is renamed over that name once
// complete. An old file is replaced only by a complete one, a link at the
// name is replaced rather than written through, and an interrupted run
// removes the temporary (a killed one's is removed by the next run that
// writes the same file).
class ReplacedFile {
 public:
  // A file that has failed already: its sink takes nothing, commit() is false.
  ReplacedFile();
  // `path` in its own folder, locked for this process (see lockFolder). When
  // `path` names a folder, a file this user may not write, a place where
  // nothing can be created or a folder another run holds, sink() has failed
  // already and commit() returns false, leaving whatever is at `path`.
  explicit ReplacedFile(const std::string& path);
  // `name` in the open folder of `folder`, which the caller has locked and
  // cleared of stale temporaries. With `bodyApart`, write() goes to a nameless
  // file that close() appends after the head (see CheckedFile).
  ReplacedFile(std::shared_ptr<FolderLock> folder, const std::string& name, bool bodyApart);
  // Removes the temporary unless it was put in place.
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  ReportSink& sink() { return *file_; }
  // Writes the file out, syncs it, renames it over its name and syncs the
  // folder. True when the complete text is there; false leaves the old file.
  bool commit();

  // commit() in steps, for a set of files put in place together: close()
  // asks the disk to store every file before sync() waits for one, and
  // putInPlace() renames (true) or removes the temporary (false). The caller
  // syncs the folder afterwards.
  bool close() { return file_->close(); }
  bool sync() { return file_->sync(); }
  bool putInPlace(bool written);

 private:
  void create(bool bodyApart);
  void removeTemporary();

  std::shared_ptr<FolderLock> folder_;
  std::string name_;       // the final name inside the folder
  std::string temporary_;  // empty when none exists
  int slot_ = -1;          // its interrupt-cleanup registration
  std::unique_ptr<CheckedFile> file_;
};
