#pragma once
#include <sys/types.h>

#include <memory>
#include <string>

// The open folder a run writes into, locked against a second run writing
// there: an advisory lock, flock(LOCK_EX | LOCK_NB) on a descriptor of the
// folder itself (opened O_RDONLY | O_DIRECTORY), so no lock file is left
// behind and a read-only folder can be locked too. The operating system drops
// the lock however the process ends. Any other program writing into the same
// folder (csv2parentsphere does) takes the same lock the same way, and gives
// up at once when it is taken.
class FolderLock {
 public:
  enum class State {
    Held,         // this run alone writes in the folder
    Busy,         // another run holds the lock; the folder is left alone
    Unlockable,   // the file system has no locks: the run goes on unlocked
    Unopenable,   // the folder cannot be opened (missing, no permission)
  };
  // Opens `folder` and tries the lock once, without waiting.
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State state() const { return state_; }
  // The open folder, for the *at() calls; -1 when Unopenable or Busy.
  int fd() const { return fd_; }
  // The folder's identity; both 0 when Unopenable.
  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }

 private:
  int fd_ = -1;
  State state_ = State::Unopenable;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

// The lock of `folder` for this process: while any holder keeps the one
// returned, every later call for the same folder (by device and inode,
// whatever the path) returns it again instead of locking a second time (two
// flock descriptors of one process would exclude each other).
std::shared_ptr<FolderLock> lockFolder(const std::string& folder);
