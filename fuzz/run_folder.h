#pragma once
// What the whole-program fuzz targets share: a failed check stops the fuzzer
// with its message, every run happens in one temporary folder, and the input
// tables are cut from the fuzzer's bytes.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace fuzzing {

inline void check(bool ok, const char* broken) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: %s\n", broken);
  std::abort();
}

inline std::string& runFolder() {
  static std::string folder;
  return folder;
}

// Removes the folder and every file the runs left in it.
inline void removeRunFolder() {
  const std::string& folder = runFolder();
  if (DIR* listing = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(listing)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") std::remove((folder + "/" + name).c_str());
    }
    closedir(listing);
  }
  rmdir(folder.c_str());
}

// For one run: enters the run folder, made on the first run (in memory where
// the system offers it: every run creates and removes files), and leaves it
// again at the end, since libFuzzer works with paths relative to where it
// was started.
class InRunFolder {
 public:
  InRunFolder() {
    char here[4096];
    check(getcwd(here, sizeof here) != nullptr, "cannot read the working folder");
    back_ = here;
    std::string& folder = runFolder();
    if (folder.empty()) {
      char inMemory[] = "/dev/shm/parentsphere_fuzz_XXXXXX";
      char onDisk[] = "/tmp/parentsphere_fuzz_XXXXXX";
      const char* made = mkdtemp(inMemory);
      if (made == nullptr) made = mkdtemp(onDisk);
      check(made != nullptr, "cannot make the temporary folder");
      folder = made;
      std::atexit(removeRunFolder);
    }
    check(chdir(folder.c_str()) == 0, "cannot enter the temporary folder");
  }
  ~InRunFolder() { check(chdir(back_.c_str()) == 0, "cannot return to the working folder"); }
  InRunFolder(const InRunFolder&) = delete;
  InRunFolder& operator=(const InRunFolder&) = delete;

 private:
  std::string back_;
};

inline bool exists(const char* name) {
  struct stat info {};
  return stat(name, &info) == 0;
}

// The whole file; empty where there is none.
inline std::string readAll(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes `name` with the first `lines` lines of `text`, or removes it when
// the input has no such piece: bigger tables make a run slower, not more
// varied.
inline void putInput(const char* name, bool present, std::string_view text, size_t lines) {
  std::remove(name);
  if (!present) return;
  size_t end = 0;
  for (size_t n = 0; n < lines && end < text.size(); ++n) {
    const size_t next = text.find('\n', end);
    end = next == std::string_view::npos ? text.size() : next + 1;
  }
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(end));
  check(static_cast<bool>(out.flush()), "cannot write an input file");
}

// Cuts `input`, <typed answer> '|' <parents.PAR> '|' <sons.PRO>, into the two
// tables (a missing piece leaves that file absent; each at most `lines`
// lines) and returns the typed answer.
inline std::string_view putTables(std::string_view input, size_t lines) {
  const size_t firstBar = input.find('|');
  const size_t secondBar =
      firstBar == std::string_view::npos ? std::string_view::npos : input.find('|', firstBar + 1);
  const bool haveParents = firstBar != std::string_view::npos;
  const bool haveSons = secondBar != std::string_view::npos;
  putInput("parents.PAR", haveParents,
           haveParents ? input.substr(firstBar + 1, secondBar - firstBar - 1) : "", lines);
  putInput("sons.PRO", haveSons, haveSons ? input.substr(secondBar + 1) : "", lines);
  return input.substr(0, firstBar);
}

}  // namespace fuzzing
