#pragma once
#include <string>

// Writes `text` as the whole content of `path`: into a new file beside it,
// then renamed over it, so a link at `path` is replaced rather than written
// through and an old file is replaced only by a complete one. Returns false
// (leaving no partial file behind) when the file cannot be created, written
// or renamed, e.g. a missing folder or `path` naming a folder.
bool writeWholeFile(const std::string& path, const std::string& text);
