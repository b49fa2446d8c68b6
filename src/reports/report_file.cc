#include "reports/report_file.h"

#include <fcntl.h>
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
