#pragma once
#include <string>

// The open report folder, locked against a second run writing reports there:
// an advisory lock (flock) on the folder itself, so no lock file is left
// behind and a read-only folder can be locked too. The operating system drops
// the lock however the process ends.
class FolderLock {
 public:
  enum class State {
    Held,         // this run alone writes reports in the folder
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

 private:
  int fd_ = -1;
  State state_ = State::Unopenable;
};
