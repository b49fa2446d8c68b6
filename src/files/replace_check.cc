#include "files/replace_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr mode_t kPermissionBits = 0777;

}  // namespace

bool mayReplace(int folderFd, const char* name, mode_t& mode) {
  struct stat info {};
  if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) return false;
  if (!S_ISREG(info.st_mode)) return true;
  const int fd = ::openat(folderFd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  mode = info.st_mode & kPermissionBits;
  return true;
}
