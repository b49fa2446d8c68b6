#include "reports/report_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <csignal>

#include "reports/interrupt_cleanup.h"
#include "reports/replace_check.h"
#include "reports/temporary_file.h"

namespace {

const char* const kReportNames[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
// A temporary is ".<report>.<kind>-<process id>[-<n>]", hidden beside its report.
const char* const kReportKind = "partial";
const char* const kBodyKind = "lines";
constexpr size_t kFamilyReport = 1;  // its lines wait on disk for their count

bool isOurTemporary(const std::string& entry) {
  for (const char* report : kReportNames) {
    for (const char* kind : {kReportKind, kBodyKind}) {
      if (temporaryOwner(entry, report, kind) >= 0) return true;
    }
  }
  return false;
}

// Blocks the signals that end a run while the reports are put in place, so
// the set is replaced whole; a signal that came meanwhile acts afterwards.
class EndingSignalsHeld {
 public:
  EndingSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, s);
    ::sigprocmask(SIG_BLOCK, &held, &previous_);
  }
  ~EndingSignalsHeld() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

ReportSet::ReportSet(std::string folder) : folder_(std::move(folder)) {
  for (size_t i = 0; i < reports_.size(); ++i) {
    reports_[i].name = kReportNames[i];
    reports_[i].file = std::make_unique<ReportFile>(-1);
  }
}

ReportSet::~ReportSet() {
  if (committed_) return;
  for (Report& report : reports_) removeTemporary(report);
}

bool ReportSet::open() {
  installInterruptCleanup();
  lock_ = std::make_unique<FolderLock>(folder_);
  if (lock_->state() == FolderLock::State::Busy) return false;
  if (lock_->state() == FolderLock::State::Unopenable) return true;
  // Only a run holding the lock can tell a killed run's file from a live one's.
  if (lock_->state() == FolderLock::State::Held) removeStaleTemporaries();
  for (Report& report : reports_) {
    mode_t mode = kNoOldFile;
    if (!mayReplace(lock_->fd(), report.name.c_str(), mode)) continue;
    const int fd = createTemporary(report.name, kReportKind, O_WRONLY, &report);
    if (fd < 0) continue;
    // The new file takes the old one's permissions (a report shared with a
    // group stays shared); a new name gets the usual 0666 less the umask.
    if (mode != kNoOldFile) ::fchmod(fd, mode);
    int bodyFd = -1;
    if (report.name == kReportNames[kFamilyReport]) {
      // The family lines wait in a nameless file until their count is known.
      bodyFd = createTemporary(report.name, kBodyKind, O_RDWR, nullptr);
      if (bodyFd < 0) {
        ::close(fd);
        removeTemporary(report);
        continue;
      }
    }
    report.file = std::make_unique<ReportFile>(fd, bodyFd);
  }
  return true;
}

void ReportSet::removeStaleTemporaries() const {
  removeRegularFiles(lock_->fd(), [](const char* entry) { return isOurTemporary(entry); });
}

// Creates a temporary exclusively (never an existing file, link or FIFO),
// registered for removal on a signal. With `keep`, its name is kept there for
// commit(); without, the file is unlinked at once and lives on unnamed.
int ReportSet::createTemporary(const std::string& name, const char* kind, int access,
                               Report* keep) {
  const TemporaryFile file = ::createTemporary(lock_->fd(), name, kind, access);
  if (file.fd >= 0 && keep != nullptr) {
    keep->temporary = file.name;
    keep->slot = file.slot;
    return file.fd;
  }
  if (file.fd >= 0) ::unlinkat(lock_->fd(), file.name.c_str(), 0);
  forgetTemporary(file.slot);
  return file.fd;
}

void ReportSet::removeTemporary(Report& report) {
  report.file = std::make_unique<ReportFile>(-1);  // closes the temporary first
  if (!report.temporary.empty()) ::unlinkat(lock_->fd(), report.temporary.c_str(), 0);
  forgetTemporary(report.slot);
  report.temporary.clear();
  report.slot = -1;
}

std::vector<std::string> ReportSet::commit() {
  // Every report is on its way to the disk before the first wait for one.
  std::array<bool, 3> written{};
  for (size_t i = 0; i < reports_.size(); ++i) written[i] = reports_[i].file->close();
  for (size_t i = 0; i < reports_.size(); ++i) written[i] = reports_[i].file->sync() && written[i];
  std::vector<std::string> unwritten;
  const EndingSignalsHeld held;
  for (size_t i = 0; i < reports_.size(); ++i) {
    Report& report = reports_[i];
    if (written[i] && ::renameat(lock_->fd(), report.temporary.c_str(), lock_->fd(),
                              report.name.c_str()) == 0) {
      forgetTemporary(report.slot);
      report.temporary.clear();
      continue;
    }
    removeTemporary(report);
    unwritten.push_back(pathOf(report.name));
  }
  // The renames reach the disk with the folder.
  if (lock_ != nullptr && lock_->fd() >= 0) ::fsync(lock_->fd());
  committed_ = true;
  return unwritten;
}

std::string ReportSet::pathOf(const std::string& name) const {
  return folder_ == "." ? name : (std::filesystem::path(folder_) / name).string();
}
