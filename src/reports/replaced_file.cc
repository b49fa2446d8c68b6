#include "reports/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


#include "reports/interrupt_cleanup.h"
#include "reports/replace_check.h"
#include "reports/temporary_file.h"

ReplacedFile::ReplacedFile(const std::string& path) : file_(std::make_unique<ReportFile>(-1)) {
  if (path.empty() || path.back() == '/') return;
  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name_ == "." || name_ == "..") return;
  folderFd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ < 0) return;
  mode_t mode = kNoOldFile;
  if (!mayReplace(folderFd_, name_.c_str(), mode)) return;
  removeAbandonedTemporaries(folderFd_, name_, "partial");
  installInterruptCleanup();
  const TemporaryFile temporary = createTemporary(folderFd_, name_, "partial", O_WRONLY);
  if (temporary.fd < 0) return;
  // A replaced file keeps its permissions, as the reports do.
  if (mode != kNoOldFile) ::fchmod(temporary.fd, mode);
  temporary_ = temporary.name;
  slot_ = temporary.slot;
  file_ = std::make_unique<ReportFile>(temporary.fd);
}

ReplacedFile::~ReplacedFile() {
  removeTemporary();
  if (folderFd_ >= 0) ::close(folderFd_);
}

bool ReplacedFile::commit() {
  const bool written = file_->close() && file_->sync();
  if (!written || temporary_.empty() ||
      ::renameat(folderFd_, temporary_.c_str(), folderFd_, name_.c_str()) != 0) {
    removeTemporary();
    return false;
  }
  forgetTemporary(slot_);
  slot_ = -1;
  temporary_.clear();
  ::fsync(folderFd_);  // the rename reaches the disk with the folder
  return true;
}

void ReplacedFile::removeTemporary() {
  file_ = std::make_unique<ReportFile>(-1);  // closes the temporary first
  if (!temporary_.empty()) ::unlinkat(folderFd_, temporary_.c_str(), 0);
  forgetTemporary(slot_);
  slot_ = -1;
  temporary_.clear();
}
