#pragma once

// Temporary files that an interrupted run removes: on SIGINT, SIGTERM or
// SIGHUP the registered files are unlinked and the process then ends as the
// signal would have ended it. Signals the caller ignores (nohup, background
// jobs) stay ignored. SIGXFSZ is ignored too, so writing past a file-size
// limit fails with EFBIG like any other write failure instead of killing
// the run.

// Installs the handlers; calling it again does nothing.
void installInterruptCleanup();

// Registers `name` (relative to the open folder `folderFd`) before the file is
// created. Returns a slot for forgetTemporary(), or -1 when every slot is taken
// or the name is too long (the file is then not removed on a signal).
int rememberTemporary(int folderFd, const char* name);

// The file was renamed or removed: a signal no longer touches that name.
void forgetTemporary(int slot);
