#include "files/report_set.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "files/temporary_file.h"

namespace {

const char* const kReportNames[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
// The kinds of temporaries ReplacedFile makes beside a report.
const char* const kTemporaryKinds[] = {"partial", "lines"};
constexpr size_t kFamilyReport = 1;  // its lines wait on disk for their count

bool isOurTemporary(const std::string& entry) {
  for (const char* report : kReportNames) {
    for (const char* kind : kTemporaryKinds) {
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
  for (auto& report : reports_) report = std::make_unique<ReplacedFile>();
}

bool ReportSet::open() {
  lock_ = lockFolder(folder_);
  if (lock_->state() == FolderLock::State::Busy) return false;
  if (lock_->state() == FolderLock::State::Unopenable) return true;
  // Only a run holding the lock can tell a killed run's file from a live one's.
  if (lock_->state() == FolderLock::State::Held) removeStaleTemporaries();
  for (size_t i = 0; i < reports_.size(); ++i) {
    reports_[i] = std::make_unique<ReplacedFile>(lock_, kReportNames[i], i == kFamilyReport);
  }
  return true;
}

void ReportSet::removeStaleTemporaries() const {
  removeRegularFiles(lock_->fd(), [](const char* entry) { return isOurTemporary(entry); });
}

std::vector<std::string> ReportSet::commit() {
  // Every report is on its way to the disk before the first wait for one.
  std::array<bool, 3> written{};
  for (size_t i = 0; i < reports_.size(); ++i) written[i] = reports_[i]->close();
  for (size_t i = 0; i < reports_.size(); ++i) written[i] = reports_[i]->sync() && written[i];
  std::vector<std::string> unwritten;
  const EndingSignalsHeld held;
  for (size_t i = 0; i < reports_.size(); ++i) {
    if (!reports_[i]->putInPlace(written[i])) unwritten.push_back(pathOf(kReportNames[i]));
  }
  // The renames reach the disk with the folder.
  if (lock_ != nullptr && lock_->fd() >= 0) ::fsync(lock_->fd());
  return unwritten;
}

std::string ReportSet::pathOf(const std::string& name) const {
  return folder_ == "." ? name : (std::filesystem::path(folder_) / name).string();
}
