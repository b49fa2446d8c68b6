// Marker outputs replace their target whole and never write through a link.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <set>

#include "files/whole_file.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(WholeFile, ReplacesTargetsAndLeavesNothingHalfWritten) {
  const struct {
    const char* name;
    const char* prepare;  // what sits at "out" before the write
    bool written;
  } cases[] = {
      {"new file", "", true},
      {"old file", "file", true},
      {"link to someone's file", "link", true},
      {"a folder", "folder", false},
      {"missing folder on the way", "missing", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedWorkdir dir;
    writeFile("victim", "keep me\n");
    std::string target = "out";
    const std::string prepare = c.prepare;
    if (prepare == "file") writeFile("out", "old\n");
    if (prepare == "link") fs::create_symlink("victim", "out");
    if (prepare == "folder") fs::create_directory("out");
    if (prepare == "missing") target = "nowhere/out";
    EXPECT_EQ(c.written, writeWholeFile(target, "new\n"));
    EXPECT_EQ("keep me\n", readFile("victim"));
    if (c.written) {
      EXPECT_FALSE(fs::is_symlink(target));
      EXPECT_EQ("new\n", readFile(target));
    }
    // No partial file is left: only the victim and, unless missing, "out".
    const auto entries = std::distance(fs::directory_iterator("."), fs::directory_iterator());
    EXPECT_EQ(prepare == "missing" ? 1 : 2, entries);
  }
}

// A process id that no process has now.
long deadProcess() {
  for (long pid = 4194000; pid > 1000; --pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return pid;
  }
  return -1;
}

// A killed run's temporary is removed by the next write of the same file;
// a running process's, another file's and look-alikes stay.
TEST(WholeFile, RemovesTheTemporariesOfKilledRunsOnly) {
  ScopedWorkdir dir;
  const std::string dead = std::to_string(deadProcess());
  const std::string alive = std::to_string(getppid());
  const std::set<std::string> kept = {".out.partial-" + alive, ".out.partial-notes",
                                      ".other.partial-" + dead, ".out.partial-" + dead + "x",
                                      ".out.lines-" + dead};
  for (const std::string& name : kept) writeFile(name, "x\n");
  writeFile(".out.partial-" + dead, "stale\n");
  writeFile(".out.partial-" + dead + "-3", "stale\n");
  fs::create_directory(".out.partial-" + dead + "-4");  // not a file: left
  ASSERT_TRUE(writeWholeFile("out", "new\n"));
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(".")) left.insert(entry.path().filename());
  std::set<std::string> expected = kept;
  expected.insert({"out", ".out.partial-" + dead + "-4"});
  EXPECT_EQ(expected, left);
}

}  // namespace
