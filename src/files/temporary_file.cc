#include "files/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>

#include "files/interrupt_cleanup.h"
#include "util/number_reader.h"

namespace {

constexpr int kNameTries = 100;
constexpr size_t kMostPidDigits = 10;

}  // namespace

TemporaryFile createTemporary(int folderFd, const std::string& name, const char* kind, int access) {
  const std::string base = "." + name + "." + kind + "-" + std::to_string(::getpid());
  for (int n = 0; n < kNameTries; ++n) {
    TemporaryFile file;
    file.name = n == 0 ? base : base + "-" + std::to_string(n);
    file.slot = rememberTemporary(folderFd, file.name.c_str());
    file.fd = ::openat(folderFd, file.name.c_str(),
                       access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file.fd >= 0) return file;
    const int error = errno;
    forgetTemporary(file.slot);
    if (error != EEXIST) break;
  }
  return {};
}

long temporaryOwner(const std::string& entry, const std::string& name, const char* kind) {
  const std::string prefix = "." + name + "." + kind + "-";
  if (entry.compare(0, prefix.size(), prefix) != 0) return -1;
  const std::string_view rest = std::string_view(entry).substr(prefix.size());
  const size_t dash = std::min(rest.find('-'), rest.size());
  const std::optional<uint64_t> pid = readDigits(rest.substr(0, dash), 0, LONG_MAX, kMostPidDigits);
  if (!pid) return -1;
  // The "-<n>" of a name tried again.
  const std::string_view again = rest.substr(std::min(dash + 1, rest.size()));
  if (dash < rest.size() &&
      (again.empty() || again.find_first_not_of("0123456789") != std::string_view::npos)) {
    return -1;
  }
  return static_cast<long>(*pid);
}

void removeRegularFiles(int folderFd, const std::function<bool(const char*)>& chosen) {
  const int listFd = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return;
  }
  ::rewinddir(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!chosen(entry->d_name)) continue;
    struct stat info {};
    if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode)) ::unlinkat(folderFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

void removeAbandonedTemporaries(int folderFd, const std::string& name, const char* kind) {
  removeRegularFiles(folderFd, [&](const char* entry) {
    const long pid = temporaryOwner(entry, name, kind);
    if (pid <= 0 || pid == ::getpid()) return false;
    // Only a process that is gone: another run may be writing this file now.
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
  });
}
