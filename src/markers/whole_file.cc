#include "markers/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

constexpr int kNameTries = 100;

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool writeWholeFile(const std::string& path, const std::string& text) {
  if (path.empty() || path.back() == '/') return false;
  std::string partial;
  int fd = -1;
  // O_EXCL: the partial file is always one this call created, never a link.
  for (int attempt = 0; fd < 0 && attempt < kNameTries; ++attempt) {
    partial = path + ".part" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  const bool written = writeAll(fd, text);
  const bool closed = ::close(fd) == 0;
  if (written && closed && std::rename(partial.c_str(), path.c_str()) == 0) return true;
  ::unlink(partial.c_str());
  return false;
}
