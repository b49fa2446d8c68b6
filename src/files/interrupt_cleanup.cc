#include "files/interrupt_cleanup.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

constexpr int kSlots = 16;  // a few report sets of a handful of files each
constexpr size_t kNameBytes = 128;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Read by the signal handler, so only plain data; `used` is set after the
// rest of a slot is filled and cleared before it is reused.
struct Slot {
  volatile sig_atomic_t used = 0;
  int folderFd = -1;
  char name[kNameBytes] = {};
};
Slot slots[kSlots];
bool installed = false;

extern "C" void removeTemporariesAndEnd(int signal) {
  const int savedErrno = errno;
  for (Slot& slot : slots) {
    if (slot.used != 0) ::unlinkat(slot.folderFd, slot.name, 0);
  }
  // SA_RESETHAND put back the default action; the signal raised here is
  // delivered when the handler returns and ends the process with it.
  ::raise(signal);
  errno = savedErrno;
}

}  // namespace

void installInterruptCleanup() {
  if (installed) return;
  installed = true;
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = removeTemporariesAndEnd;
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int s : kEndingSignals) sigaddset(&action.sa_mask, s);
  for (int s : kEndingSignals) {
    struct sigaction previous {};
    if (::sigaction(s, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &action, nullptr);
  }
}

int rememberTemporary(int folderFd, const char* name) {
  if (std::strlen(name) >= kNameBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = slots[i];
    if (slot.used != 0) continue;
    slot.folderFd = folderFd;
    std::strcpy(slot.name, name);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot.used = 1;
    return i;
  }
  return -1;
}

void forgetTemporary(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  slots[slot].used = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}
