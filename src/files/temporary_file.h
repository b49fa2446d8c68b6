#pragma once
#include <functional>
#include <string>

// A temporary file ".<name>.<kind>-<process id>[-<n>]" created exclusively in
// the open folder `folderFd` (never an existing file, link or FIFO), with
// `access` (O_WRONLY or O_RDWR) and mode 0666 less the umask. It is
// registered for removal on SIGINT, SIGTERM or SIGHUP before it exists.
struct TemporaryFile {
  int fd = -1;            // negative when it could not be created
  std::string name;       // inside the folder
  int slot = -1;          // its interrupt-cleanup registration
};
TemporaryFile createTemporary(int folderFd, const std::string& name, const char* kind, int access);

// The process id in `entry` when it is named as createTemporary names the
// temporaries of `name` and `kind` (".<name>.<kind>-<digits>[-<digits>]"),
// otherwise -1.
long temporaryOwner(const std::string& entry, const std::string& name, const char* kind);

// Removes the regular files of `folderFd` (never a link, a folder or what a
// link leads to) whose names `chosen` accepts.
void removeRegularFiles(int folderFd, const std::function<bool(const char*)>& chosen);

// Removes the regular files of `folderFd` named as temporaries of `name` and
// `kind` whose process no longer runs (a run killed by SIGKILL leaves them);
// links, folders, files of other names and of running processes stay.
void removeAbandonedTemporaries(int folderFd, const std::string& name, const char* kind);
