#include "files/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
  int result = 0;
  do {
    result = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    state_ = State::Held;
  } else if (errno == EWOULDBLOCK) {
    state_ = State::Busy;
    ::close(fd_);
    fd_ = -1;
  } else {
    state_ = State::Unlockable;
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::shared_ptr<FolderLock> lockFolder(const std::string& folder) {
  static std::mutex guard;
  static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<FolderLock>> held;
  const std::lock_guard<std::mutex> lock(guard);
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) {
    const auto found = held.find({info.st_dev, info.st_ino});
    if (found != held.end()) {
      if (std::shared_ptr<FolderLock> same = found->second.lock()) return same;
    }
  }
  auto made = std::make_shared<FolderLock>(folder);
  if (made->state() == FolderLock::State::Held || made->state() == FolderLock::State::Unlockable) {
    held[{made->device(), made->inode()}] = made;
  }
  return made;
}
