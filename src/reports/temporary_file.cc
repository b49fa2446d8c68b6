#include "reports/temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "reports/interrupt_cleanup.h"

namespace {

constexpr int kNameTries = 100;

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
