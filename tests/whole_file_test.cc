// Marker outputs replace their target whole and never write through a link.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "markers/whole_file.h"
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

}  // namespace
