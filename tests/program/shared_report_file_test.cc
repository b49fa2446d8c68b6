// Report names that lead to one file (a symbolic or hard link between them):
// each name is replaced by its own report, whole; the links are gone and no
// file holds two reports. The run succeeds.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

struct SharedFile {
  std::string name;
  std::string prepare;
};

const std::vector<SharedFile> kCases = {
    {"Fam.out linked to Parent.out", "ln -s Parent.out Fam.out"},
    {"Famgenotypes.out linked to Parent.out", "ln -s Parent.out Famgenotypes.out"},
    {"Parent.out a hard link of an old Fam.out", "echo old > Fam.out && ln Fam.out Parent.out"},
    {"Famgenotypes.out linked to Fam.out", "ln -s Fam.out Famgenotypes.out"},
    {"all three names on one file", "ln -s Parent.out Fam.out && ln -s Fam.out Famgenotypes.out"},
    {"a dangling link", "ln -s elsewhere.txt Fam.out"},
};

TEST(SharedReportFile, EachNameGetsItsOwnReport) {
  for (const SharedFile& c : kCases) {
    SCOPED_TRACE(c.name);
    const RunResult run = runParentsphere(
        {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}}, tiny::kRadius, "", c.prepare);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
    EXPECT_EQ(run.status, 0);
    for (const auto& [report, text] : tiny::kReports) {
      SCOPED_TRACE(report);
      ASSERT_EQ(run.files.count(report), 1u);
      EXPECT_EQ(run.files.at(report), text);
    }
    EXPECT_EQ(run.files.size(), 5u) << "the two inputs and the three reports, no other file";
  }
}

}  // namespace
