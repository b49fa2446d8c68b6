// cmake --install puts the program, its manual page, the converter and the
// guide where a user's tools look for them.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kSource = PARENTSPHERE_SOURCE_DIR;

struct Output {
  int status = -1;
  std::string text;  // standard output and standard error together
};

Output run(const std::string& command) {
  Output result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) result.text += buffer;
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

bool executable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

class Installed : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/parentsphere_prefix_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    prefix_ = pattern;
    const Output install = run(std::string("'") + PARENTSPHERE_CMAKE + "' --install '" +
                               PARENTSPHERE_BUILD_DIR + "' --prefix '" + prefix_ + "'");
    ASSERT_EQ(install.status, 0) << install.text;
  }
  void TearDown() override {
    if (!prefix_.empty() && std::system(("rm -rf '" + prefix_ + "'").c_str()) != 0) {
      // A scratch prefix left in /tmp is harmless.
    }
  }
  std::string prefix_;
};

TEST_F(Installed, ProgramManualConverterAndGuideLand) {
  const std::string program = prefix_ + "/bin/parentsphere";
  ASSERT_TRUE(executable(program));
  const Output version = run("'" + program + "' --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.text, std::string("parentsphere ") + PARENTSPHERE_VERSION + "\n");

  EXPECT_EQ(readFile(prefix_ + "/share/man/man1/parentsphere.1"), readFile(kSource + "/docs/parentsphere.1"));
  EXPECT_EQ(readFile(prefix_ + "/share/doc/parentsphere/preparing-input.md"),
            readFile(kSource + "/docs/preparing-input.md"));
  EXPECT_EQ(readFile(prefix_ + "/share/doc/parentsphere/example-sheet.csv"),
            readFile(kSource + "/docs/example-sheet.csv"));
  const std::string converter = prefix_ + "/bin/csv2parentsphere";
  ASSERT_TRUE(executable(converter));
  EXPECT_EQ(readFile(converter), readFile(kSource + "/scripts/csv2parentsphere.py"));
}

TEST_F(Installed, ManFindsThePage) {
  if (run("command -v man").status != 0) GTEST_SKIP() << "man is not installed (Debian: man-db)";
  const Output where = run("MANPATH='" + prefix_ + "/share/man' man -w parentsphere");
  EXPECT_EQ(where.status, 0) << where.text;
  EXPECT_EQ(where.text, prefix_ + "/share/man/man1/parentsphere.1\n");
}

TEST_F(Installed, ConverterRunsFromThePath) {
  if (run("command -v python3").status != 0) GTEST_SKIP() << "python3 is not installed";
  const Output help = run("PATH='" + prefix_ + "/bin':\"$PATH\" csv2parentsphere --help");
  EXPECT_EQ(help.status, 0) << help.text;
  EXPECT_EQ(help.text.rfind("usage: csv2parentsphere ", 0), 0u) << help.text;
}

}  // namespace
