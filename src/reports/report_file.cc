#include "reports/report_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kCopyChunk = size_t{1} << 20;

// Copies what remains of `from` to the end of `to`: in the kernel where the
// file system allows it, through a buffer where it does not.
bool copyRest(int from, int to) {
  bool kernelCopy = true;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = -1;
    if (kernelCopy) {
      n = ::copy_file_range(from, nullptr, to, nullptr, kCopyChunk, 0);
      if (n < 0 && (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernelCopy = false;
        continue;
      }
    } else {
      n = ::read(from, buffer, sizeof buffer);
      for (ssize_t done = 0; n > 0 && done < n;) {
        const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += w;
      }
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

}  // namespace

ReportFile::ReportFile(int fd, int bodyFd) : fd_(fd), bodyFd_(bodyFd), ok_(fd >= 0) {}

ReportFile::~ReportFile() {
  if (fd_ >= 0) ::close(fd_);
  if (bodyFd_ >= 0) ::close(bodyFd_);
}

void ReportFile::writeTo(int fd, std::string& text) {
  size_t done = 0;
  while (ok_ && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      fail();
      break;
    }
    done += static_cast<size_t>(n);
  }
  text.clear();
}

void ReportFile::fail() {
  ok_ = false;
  // A failed report is never put in place: its space goes back at once, so
  // on a full disk the other reports can still be written.
  for (int fd : {fd_, bodyFd_}) {
    if (fd >= 0 && ::ftruncate(fd, 0) != 0) continue;  // it is removed at the end anyway
  }
}

void ReportFile::write(std::string& text) { writeTo(bodyFd_ >= 0 ? bodyFd_ : fd_, text); }

void ReportFile::writeHead(std::string& head) { writeTo(fd_, head); }

void ReportFile::appendBody() {
  if (ok_ && (::lseek(bodyFd_, 0, SEEK_SET) != 0 || !copyRest(bodyFd_, fd_))) fail();
  ::close(bodyFd_);
  bodyFd_ = -1;
}

bool ReportFile::close() {
  if (bodyFd_ >= 0) appendBody();
  if (fd_ >= 0) {
    if (ok_ && ::fsync(fd_) != 0) fail();
    if (::close(fd_) != 0) ok_ = false;
    fd_ = -1;
  }
  return ok_;
}
