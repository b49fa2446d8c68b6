#include "files/path_clash.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

namespace {

namespace fs = std::filesystem;

std::string fileKey(const struct stat& info) {
  return "f:" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// The entry `path` names: its folder, followed through every link and known
// by device and inode (the nearest folder that exists, plus the rest of the
// way), and the name in it. Empty when no file could ever be made there.
std::string entryKey(const fs::path& path) {
  std::error_code error;
  fs::path full = fs::absolute(path, error);
  if (error) return "";
  if (full.filename().empty()) full = full.parent_path();
  if (full.filename() == "." || full.filename() == "..") {
    full = fs::weakly_canonical(full, error);
    if (error) return "";
  }
  const fs::path name = full.filename();
  fs::path folder = fs::weakly_canonical(full.parent_path(), error);
  if (error) folder = full.parent_path().lexically_normal();
  fs::path rest = name;
  for (;;) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) return "";
      return "e:" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
             rest.string();
    }
    if (!folder.has_relative_path()) return "";
    rest = folder.filename() / rest;
    folder = folder.parent_path();
  }
}

// Where the links at `path` lead, one after another, even to a file not
// there yet; `path` itself when it is no link.
fs::path endOfLinks(fs::path path) {
  constexpr int kMostLinks = 40;  // as the system follows them
  for (int i = 0; i < kMostLinks; ++i) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path target = fs::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

// Every way `run` may reach a file.
std::set<std::string> keysOf(const RunPath& run) {
  std::set<std::string> keys;
  const std::string entry = entryKey(run.path);
  if (!entry.empty()) keys.insert(entry);
  if (run.use == RunPath::Use::Replaced) return keys;
  struct stat info {};
  const std::string reached = entryKey(endOfLinks(run.path));
  if (!reached.empty()) keys.insert(reached);
  if (::stat(run.path.c_str(), &info) == 0) keys.insert(fileKey(info));
  return keys;
}

// Why a named output cannot be written, or "".
std::string namedOutputError(const RunPath& run) {
  if (run.path.back() == '/') return run.label + " names a folder";
  struct stat info {};
  if (::stat(run.path.c_str(), &info) != 0) return "";
  if (S_ISDIR(info.st_mode)) return run.label + " is a folder";
  if (!S_ISREG(info.st_mode)) {
    return run.label + " is a device, a FIFO or a socket; the run writes only regular files";
  }
  return "";
}

bool writes(const RunPath& run) { return run.use != RunPath::Use::Read; }

}  // namespace

std::string pathClash(const std::vector<RunPath>& paths) {
  for (const RunPath& run : paths) {
    if (run.use != RunPath::Use::Named || run.path.empty()) continue;
    const std::string error = namedOutputError(run);
    if (!error.empty()) return error;
  }
  std::vector<std::set<std::string>> keys;
  for (const RunPath& run : paths) {
    keys.push_back(run.path.empty() ? std::set<std::string>{} : keysOf(run));
  }
  for (size_t i = 0; i < paths.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (!writes(paths[i]) && !writes(paths[j])) continue;
      const bool shared = std::any_of(keys[i].begin(), keys[i].end(),
                                      [&](const std::string& key) { return keys[j].count(key) > 0; });
      if (shared) return paths[j].label + " and " + paths[i].label + " name the same file";
    }
  }
  return "";
}
