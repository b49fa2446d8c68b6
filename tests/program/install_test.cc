// cmake --install puts the program, its manual page, the converter and the
// guide where a user's tools look for them; the set-up scripts install or name
// the Debian packages they miss before building anything.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// The README's two commands (and the R package's) on a machine missing a
// package, simulated: each must stop at the package check, before
// configuring, with the install (printed, as a dry run) as root or the one
// `sudo apt-get install` line otherwise.
struct SetupCase {
  const char* script;
  const char* missing;  // PARENTSPHERE_PRETEND_MISSING
  bool asRoot;
  int status;
  std::string output;
};

const std::vector<SetupCase> kSetupCases = {
    {"scripts/example.sh", "libcli11-dev", true, 0,
     "== checking the Debian packages for: example\n"
     "dry run, would run: apt-get update\n"
     "dry run, would run: apt-get install -y libcli11-dev\n"
     "dry run: stopping before the build\n"},
    {"scripts/example.sh", "libcli11-dev", false, 1,
     "== checking the Debian packages for: example\n"
     "parentsphere: Debian packages missing for example: libcli11-dev\n"
     "Install them with: sudo apt-get install libcli11-dev\n"},
    // The example does not build the tests: their package is not asked for.
    {"scripts/example.sh", "libgtest-dev", false, 0,
     "== checking the Debian packages for: example\n"
     "the Debian packages for example are all present\n"
     "dry run: stopping before the build\n"},
    {"scripts/test.sh", "libgtest-dev cmake libcli11-dev", true, 0,
     "== checking the Debian packages for: tests\n"
     "dry run, would run: apt-get update\n"
     "dry run, would run: apt-get install -y cmake libcli11-dev libgtest-dev\n"
     "dry run: stopping before the build\n"},
    {"scripts/test.sh", "libgtest-dev cmake libcli11-dev", false, 1,
     "== checking the Debian packages for: tests\n"
     "parentsphere: Debian packages missing for tests: cmake libcli11-dev libgtest-dev\n"
     "Install them with: sudo apt-get install cmake libcli11-dev libgtest-dev\n"},
    {"scripts/r-package.sh", "r-cran-testthat", false, 1,
     "== checking the Debian packages for: r\n"
     "parentsphere: Debian packages missing for r: r-cran-testthat\n"
     "Install them with: sudo apt-get install r-cran-testthat\n"},
    {".ci/install-deps", "valgrind r-cran-rcpp", true, 0,
     "dry run, would run: apt-get update\n"
     "dry run, would run: apt-get install -y r-cran-rcpp valgrind\n"},
};

// How to run a command as a user other than root, when the tests run as root.
std::string unprivilegedPrefix() {
  if (geteuid() != 0) return "";
  for (const char* prefix : {"setpriv --reuid=nobody --regid=nogroup --clear-groups", "runuser -u nobody --"}) {
    const std::string tool = std::string(prefix).substr(0, std::string(prefix).find(' '));
    if (run("command -v " + tool).status == 0 && run(std::string(prefix) + " true").status == 0) return prefix;
  }
  return "-";
}

TEST(SetupScripts, StopAtThePackageCheckWithTheInstallOrTheOneLine) {
  const std::string unprivileged = unprivilegedPrefix();
  for (const SetupCase& c : kSetupCases) {
    SCOPED_TRACE(std::string(c.script) + (c.asRoot ? " as root" : " as a user") + ", missing " + c.missing);
    std::string prefix;
    if (c.asRoot && geteuid() != 0) continue;  // the root path needs root
    if (!c.asRoot) {
      if (unprivileged == "-") continue;  // no way to drop root here
      prefix = unprivileged + " ";
    }
    // A clean environment: only the variables the check reads.
    const Output out = run("cd / && " + prefix + "env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/nonexistent " +
                           "PARENTSPHERE_PRETEND_MISSING='" + c.missing + "' PARENTSPHERE_INSTALL_DRY_RUN=1 '" +
                           kSource + "/" + c.script + "'");
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.text, c.output);
  }
}

}  // namespace
