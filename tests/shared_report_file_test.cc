// Report names that lead to one file (a symbolic or hard link between them):
// the file holds the report opened last, whole, as when each report is written
// and closed in turn, never two reports interleaved. The run succeeds.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

struct SharedFile {
  std::string name;
  std::string prepare;
  // Every report name and what reading it gives after the run.
  std::vector<std::pair<std::string, std::string>> expected;
};

const std::vector<SharedFile> kCases = {
    {"Fam.out linked to Parent.out",
     "ln -s Parent.out Fam.out",
     {{"Parent.out", tiny::kFamilyReport},
      {"Fam.out", tiny::kFamilyReport},
      {"Famgenotypes.out", tiny::kGenotypeReport}}},
    {"Famgenotypes.out linked to Parent.out",
     "ln -s Parent.out Famgenotypes.out",
     {{"Parent.out", tiny::kGenotypeReport},
      {"Fam.out", tiny::kFamilyReport},
      {"Famgenotypes.out", tiny::kGenotypeReport}}},
    {"Parent.out a hard link of an old Fam.out",
     "echo old > Fam.out && ln Fam.out Parent.out",
     {{"Parent.out", tiny::kFamilyReport},
      {"Fam.out", tiny::kFamilyReport},
      {"Famgenotypes.out", tiny::kGenotypeReport}}},
    {"Famgenotypes.out linked to Fam.out",
     "ln -s Fam.out Famgenotypes.out",
     {{"Parent.out", tiny::kParentReport},
      {"Fam.out", tiny::kGenotypeReport},
      {"Famgenotypes.out", tiny::kGenotypeReport}}},
    {"all three names on one file",
     "ln -s Parent.out Fam.out && ln -s Fam.out Famgenotypes.out",
     {{"Parent.out", tiny::kGenotypeReport},
      {"Fam.out", tiny::kGenotypeReport},
      {"Famgenotypes.out", tiny::kGenotypeReport}}},
};

TEST(SharedReportFile, HoldsTheReportOpenedLastWhole) {
  for (const SharedFile& c : kCases) {
    SCOPED_TRACE(c.name);
    const RunResult run = runParentsphere(
        {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}}, tiny::kRadius, "", c.prepare);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
    EXPECT_EQ(run.status, 0);
    for (const auto& [report, text] : c.expected) {
      SCOPED_TRACE(report);
      ASSERT_EQ(run.files.count(report), 1u);
      EXPECT_EQ(run.files.at(report), text);
    }
  }
}

// Linked to an unrelated file, each report is still its own.
TEST(SharedReportFile, ALinkToAnotherFileIsAnOrdinaryReport) {
  const RunResult run =
      runParentsphere({{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}},
                      tiny::kRadius, "", "ln -s elsewhere.txt Fam.out");
  EXPECT_EQ(run.stdoutText, tiny::kPrompt + tiny::kDone);
  EXPECT_EQ(run.status, 0);
  for (const auto& [report, text] : tiny::kReports) {
    SCOPED_TRACE(report);
    ASSERT_EQ(run.files.count(report), 1u);
    EXPECT_EQ(run.files.at(report), text);
  }
  ASSERT_EQ(run.files.count("elsewhere.txt"), 1u);
  EXPECT_EQ(run.files.at("elsewhere.txt"), tiny::kFamilyReport);
}

}  // namespace
