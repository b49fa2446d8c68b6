#include "files/temporary_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/interrupt_cleanup.h"

namespace {

constexpr int kNameTries = 100;
constexpr size_t kMostPidDigits = 10;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

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
  size_t at = prefix.size();
  long pid = 0;
  for (; at < entry.size() && isDigit(entry[at]); ++at) {
    if (at - prefix.size() == kMostPidDigits) return -1;
    pid = pid * 10 + (entry[at] - '0');
  }
  if (at == prefix.size()) return -1;
  if (at == entry.size()) return pid;
  // The "-<n>" of a name tried again.
  if (entry[at] != '-' || at + 1 == entry.size()) return -1;
  for (++at; at < entry.size(); ++at) {
    if (!isDigit(entry[at])) return -1;
  }
  return pid;
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
