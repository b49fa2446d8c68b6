#include "reports/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ReportFile::ReportFile(std::string name) : name_(std::move(name)) {
  fd_ = ::open(name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  ok_ = fd_ >= 0;
}

ReportFile::~ReportFile() {
  if (fd_ >= 0) ::close(fd_);
}

void ReportFile::write(std::string& text) {
  if (leftToLater_) {
    text.clear();
    return;
  }
  size_t done = 0;
  while (ok_ && done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok_ = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  text.clear();
}

bool ReportFile::close() {
  if (fd_ >= 0) {
    if (::close(fd_) != 0) ok_ = false;
    fd_ = -1;
  }
  return ok_;
}

bool ReportFile::sharesFileWith(const ReportFile& other) const {
  struct stat mine {};
  struct stat theirs {};
  if (fd_ < 0 || other.fd_ < 0) return false;
  if (::fstat(fd_, &mine) != 0 || ::fstat(other.fd_, &theirs) != 0) return false;
  // Devices such as /dev/null or /dev/full keep no text to interleave.
  return S_ISREG(mine.st_mode) && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

void ReportFile::leaveToLaterReport() {
  leftToLater_ = true;
  close();
}
