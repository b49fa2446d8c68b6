#pragma once
#include <memory>
#include <string>
#include <vector>

#include "files/folder_lock.h"

// The locks of every folder one run writes into (the reports', the ranked
// table's, the marker outputs'), taken together before the first file is
// written so that two runs never interleave their outputs. Each folder is
// locked once, in the order of its device and inode whatever the paths: of
// two runs wanting folders in common, the one that takes the first common
// folder goes on and the other stops at once, never both.
class FolderLocks {
 public:
  // Locks each folder of `folders` that exists (see lockFolder); a missing
  // one is left to the writes, which then fail. When another run holds one,
  // busy() names it as given and none is kept.
  explicit FolderLocks(const std::vector<std::string>& folders);

  // The folder another run holds, or "".
  const std::string& busy() const { return busy_; }

 private:
  std::vector<std::shared_ptr<FolderLock>> held_;
  std::string busy_;
};

// The folder `path` names a file in: "." for a bare name.
std::string folderOf(const std::string& path);
