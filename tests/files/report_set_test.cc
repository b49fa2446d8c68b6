// ReportSet on its own: reports reach their folder only on commit(), and a
// folder it cannot use loses every report, named by path. (What a failed or
// interrupted run leaves, and the folder lock, are tested on the real program
// in nothing_lost_test.cc.)
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_run.h"
#include "analysis/analyse.h"
#include "files/report_set.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void writeAll(ReportSet& set) {
  std::string text = "parents\n";
  set.parents().write(text);
  text = "lines\n";
  set.families().write(text);
  text = "head\n";
  set.families().writeHead(text);
  text = "genotypes\n";
  set.genotypes().write(text);
}

TEST(ReportSet, ReportsAppearInTheirFolderOnlyOnCommit) {
  ScopedWorkdir work;
  fs::create_directory("out");
  writeFile("out/Fam.out", "old\n");
  chmod("out/Fam.out", 0640);
  {
    ReportSet set("out");
    ASSERT_TRUE(set.open());
    writeAll(set);
    EXPECT_EQ(readFile("out/Fam.out"), "old\n");
    EXPECT_EQ(set.commit(), std::vector<std::string>{});
  }
  EXPECT_EQ(entries("out"), (std::vector<std::string>{"Fam.out", "Famgenotypes.out", "Parent.out"}));
  EXPECT_EQ(readFile("out/Parent.out"), "parents\n");
  EXPECT_EQ(readFile("out/Fam.out"), "head\nlines\n");
  EXPECT_EQ(readFile("out/Famgenotypes.out"), "genotypes\n");
  struct stat info {};
  ASSERT_EQ(stat("out/Fam.out", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced report's permissions are kept";
}

TEST(ReportSet, AMissingFolderLosesEveryReportByPath) {
  ScopedWorkdir work;
  ReportSet set("nowhere/");
  ASSERT_TRUE(set.open());
  writeAll(set);
  EXPECT_EQ(set.commit(), (std::vector<std::string>{"nowhere/Parent.out", "nowhere/Fam.out",
                                                    "nowhere/Famgenotypes.out"}));
}

// A sink that has failed from the start.
class LostSink : public ReportSink {
 public:
  void write(std::string& text) override { text.clear(); }
  void writeHead(std::string& head) override { head.clear(); }
  bool close() override { return false; }
  bool failed() const override { return true; }
};

class KeptSink : public LostSink {
 public:
  bool failed() const override { return false; }
};

class LastUpdate : public RunProgress {
 public:
  void update(size_t sonsDone, size_t) override { done = sonsDone; }
  void finish() override {}
  size_t done = 0;
};

// The analysis stops at once when no report can be written, and only then.
TEST(Analysis, StopsWhenEveryReportHasFailed) {
  MissingCode code(-99);
  std::string sons;
  for (int i = 0; i < 1000; ++i) sons += "100 102\n";
  ScopedWorkdir work;
  writeFile("parents.PAR", "100 102 1\n100 104 2001\n");
  writeFile("sons.PRO", sons);
  for (bool oneKept : {false, true}) {
    SCOPED_TRACE(oneKept ? "one report still writable" : "every report lost");
    Data parents("parents.PAR", -99, "#");
    Data offspring("sons.PRO", -99, "#");
    LostSink lost;
    KeptSink kept;
    LastUpdate progress;
    analyseTables(parents, offspring, 2, -99, {lost, oneKept ? static_cast<ReportSink&>(kept) : lost, lost},
            &progress);
    EXPECT_EQ(progress.done, oneKept ? 1000u : 0u);
  }
}

}  // namespace
