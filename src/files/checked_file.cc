#include "files/checked_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kCopyChunk = size_t{1} << 20;
// How much written text may wait before the disk is asked to start on it.
constexpr off_t kWritebackBytes = off_t{1} << 22;

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

CheckedFile::CheckedFile(int fd, int bodyFd) : fd_(fd), bodyFd_(bodyFd), ok_(fd >= 0) {}

CheckedFile::~CheckedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (bodyFd_ >= 0) ::close(bodyFd_);
}

void CheckedFile::writeTo(int fd, std::string& text) {
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
  if (fd == fd_) startWriteback(static_cast<off_t>(done));
}

// The report must reach the disk before it replaces the old one: asking the
// disk to start while the analysis goes on leaves little for the final fsync
// to wait for.
void CheckedFile::startWriteback(off_t bytes) {
  written_ += bytes;
  if (!ok_ || written_ - startedTo_ < kWritebackBytes) return;
  ::sync_file_range(fd_, startedTo_, written_ - startedTo_, SYNC_FILE_RANGE_WRITE);
  startedTo_ = written_;
}

void CheckedFile::fail() {
  ok_ = false;
  // A failed report is never put in place: its space goes back at once, so
  // on a full disk the other reports can still be written.
  for (int fd : {fd_, bodyFd_}) {
    if (fd >= 0 && ::ftruncate(fd, 0) != 0) continue;  // it is removed at the end anyway
  }
}

void CheckedFile::write(std::string& text) { writeTo(bodyFd_ >= 0 ? bodyFd_ : fd_, text); }

void CheckedFile::writeHead(std::string& head) { writeTo(fd_, head); }

void CheckedFile::appendBody() {
  if (ok_ && (::lseek(bodyFd_, 0, SEEK_SET) != 0 || !copyRest(bodyFd_, fd_))) fail();
  ::close(bodyFd_);
  bodyFd_ = -1;
}

bool CheckedFile::close() {
  if (bodyFd_ >= 0) appendBody();
  // The rest goes to the disk too; sync() waits for all of it.
  if (fd_ >= 0 && ok_) ::sync_file_range(fd_, startedTo_, 0, SYNC_FILE_RANGE_WRITE);
  return ok_;
}

bool CheckedFile::sync() {
  close();
  if (fd_ >= 0) {
    if (ok_ && ::fsync(fd_) != 0) fail();
    if (::close(fd_) != 0) ok_ = false;
    fd_ = -1;
  }
  return ok_;
}
