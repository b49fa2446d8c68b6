#include "files/folder_locks.h"

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

FolderLocks::FolderLocks(const std::vector<std::string>& folders) {
  struct Found {
    dev_t device;
    ino_t inode;
    std::string path;
  };
  std::vector<Found> found;
  for (const std::string& folder : folders) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) continue;
    found.push_back({info.st_dev, info.st_ino, folder});
  }
  std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
  });
  for (size_t i = 0; i < found.size(); ++i) {
    if (i > 0 && found[i].device == found[i - 1].device && found[i].inode == found[i - 1].inode) {
      continue;
    }
    std::shared_ptr<FolderLock> lock = lockFolder(found[i].path);
    if (lock->state() == FolderLock::State::Busy) {
      busy_ = found[i].path;
      held_.clear();
      return;
    }
    held_.push_back(std::move(lock));
  }
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
