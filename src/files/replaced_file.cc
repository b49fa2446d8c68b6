#include "files/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "files/folder_locks.h"
#include "files/interrupt_cleanup.h"
#include "files/replace_check.h"
#include "files/temporary_file.h"

namespace {

// A temporary is ".<name>.<kind>-<process id>[-<n>]", hidden beside its file.
const char* const kFileKind = "partial";
const char* const kBodyKind = "lines";

}  // namespace

ReplacedFile::ReplacedFile() : file_(std::make_unique<CheckedFile>(-1)) {}

ReplacedFile::ReplacedFile(const std::string& path) : ReplacedFile() {
  if (path.empty() || path.back() == '/') return;
  const size_t slash = path.rfind('/');
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name_ == "." || name_ == "..") return;
  folder_ = lockFolder(folderOf(path));
  if (folder_->fd() < 0) return;
  removeAbandonedTemporaries(folder_->fd(), name_, kFileKind);
  create(false);
}

ReplacedFile::ReplacedFile(std::shared_ptr<FolderLock> folder, const std::string& name,
                           bool bodyApart)
    : ReplacedFile() {
  folder_ = std::move(folder);
  name_ = name;
  if (folder_ != nullptr && folder_->fd() >= 0) create(bodyApart);
}

void ReplacedFile::create(bool bodyApart) {
  const int folderFd = folder_->fd();
  mode_t mode = kNoOldFile;
  if (!mayReplace(folderFd, name_.c_str(), mode)) return;
  installInterruptCleanup();
  const TemporaryFile temporary = createTemporary(folderFd, name_, kFileKind, O_WRONLY);
  if (temporary.fd < 0) return;
  // The new file takes the old one's permissions (a report shared with a
  // group stays shared); a new name gets the usual 0666 less the umask.
  if (mode != kNoOldFile) ::fchmod(temporary.fd, mode);
  temporary_ = temporary.name;
  slot_ = temporary.slot;
  int bodyFd = -1;
  if (bodyApart) {
    // The body waits in a nameless file until the head is known.
    const TemporaryFile body = createTemporary(folderFd, name_, kBodyKind, O_RDWR);
    if (body.fd >= 0) ::unlinkat(folderFd, body.name.c_str(), 0);
    forgetTemporary(body.slot);
    if (body.fd < 0) {
      ::close(temporary.fd);
      removeTemporary();
      return;
    }
    bodyFd = body.fd;
  }
  file_ = std::make_unique<CheckedFile>(temporary.fd, bodyFd);
}

ReplacedFile::~ReplacedFile() { removeTemporary(); }

bool ReplacedFile::putInPlace(bool written) {
  if (!written || temporary_.empty() ||
      ::renameat(folder_->fd(), temporary_.c_str(), folder_->fd(), name_.c_str()) != 0) {
    removeTemporary();
    return false;
  }
  forgetTemporary(slot_);
  slot_ = -1;
  temporary_.clear();
  return true;
}

bool ReplacedFile::commit() {
  const bool written = close() && sync();
  if (!putInPlace(written)) return false;
  ::fsync(folder_->fd());  // the rename reaches the disk with the folder
  return true;
}

void ReplacedFile::removeTemporary() {
  file_ = std::make_unique<CheckedFile>(-1);  // closes the temporary first
  if (!temporary_.empty()) ::unlinkat(folder_->fd(), temporary_.c_str(), 0);
  forgetTemporary(slot_);
  slot_ = -1;
  temporary_.clear();
}
