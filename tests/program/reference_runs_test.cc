// The reference runs shipped in tests/data/reference_runs: each folder holds the
// inputs, what is typed, and the expected stdout, exit status and reports.
#include <dirent.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kRoot = std::string(PARENTSPHERE_TESTDATA) + "/reference_runs";
const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out", "ErrLog.txt"};

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kRoot.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool fileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST(ReferenceRuns, AllTenArePresent) { EXPECT_EQ(caseNames().size(), 10u); }

TEST(ReferenceRuns, EachMatchesByteForByte) {
  for (const std::string& name : caseNames()) {
    SCOPED_TRACE("reference run " + name);
    const std::string dir = kRoot + "/" + name;
    const RunResult run = runParentsphere(
        {{"parents.PAR", readFile(dir + "/parents.PAR")}, {"sons.PRO", readFile(dir + "/sons.PRO")}},
        readFile(dir + "/stdin.txt"));
    EXPECT_EQ(run.stdoutText, readFile(dir + "/expected/stdout.txt"));
    EXPECT_EQ(std::to_string(run.status) + "\n", readFile(dir + "/expected/status"));
    for (const char* report : kReports) {
      const std::string expected = dir + "/expected/" + report;
      SCOPED_TRACE(report);
      if (fileExists(expected)) {
        ASSERT_EQ(run.files.count(report), 1u);
        EXPECT_EQ(run.files.at(report), readFile(expected));
      } else {
        EXPECT_EQ(run.files.count(report), 0u);
      }
    }
  }
}

}  // namespace
