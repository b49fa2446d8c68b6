#pragma once
#include <sys/types.h>

// No old file at the name, so no permissions to keep.
constexpr mode_t kNoOldFile = ~mode_t{0};

// Whether a new file may take the place of `name` in the open folder
// `folderFd`: nothing there, a link, FIFO or device (replaced, never written
// through), or a regular file this user may open for writing, as the program
// always required. A folder or a protected file stays, and the new file
// counts as not written. `mode` gets the permissions of a regular file there,
// which its replacement keeps.
bool mayReplace(int folderFd, const char* name, mode_t& mode);
