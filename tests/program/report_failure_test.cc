// Reports that cannot be written: the program still replaces every other report
// whole, then names each lost one ("can not write <name> output file\n", in
// the order Parent.out, Fam.out, Famgenotypes.out), prints no DONE and ends
// with status 1.
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const char* const kReportOrder[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};

struct LostReports {
  std::string name;
  std::string prepare;
  std::vector<std::string> lost;  // in report order
};

const std::vector<LostReports> kCases = {
    {"a directory named Parent.out", "mkdir Parent.out", {"Parent.out"}},
    {"a directory named Fam.out", "mkdir Fam.out", {"Fam.out"}},
    {"a directory named Famgenotypes.out", "mkdir Famgenotypes.out", {"Famgenotypes.out"}},
    {"directories named like all three reports",
     "mkdir Parent.out Fam.out Famgenotypes.out",
     {"Parent.out", "Fam.out", "Famgenotypes.out"}},
    {"the messages keep report order: Famgenotypes.out and Parent.out directories",
     "mkdir Famgenotypes.out Parent.out",
     {"Parent.out", "Famgenotypes.out"}},
};

std::string messagesFor(const std::vector<std::string>& lost) {
  std::string text;
  for (const std::string& name : lost) text += "can not write " + name + " output file\n";
  return text;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names) {
    if (n == name) return true;
  }
  return false;
}

void expectOnlyTheLostAreMissing(const RunResult& run, const std::vector<std::string>& lost) {
  for (const char* report : kReportOrder) {
    SCOPED_TRACE(report);
    if (contains(lost, report)) {
      EXPECT_EQ(run.files.count(report), 0u) << "a lost report left a file";
    } else {
      ASSERT_EQ(run.files.count(report), 1u);
      EXPECT_EQ(run.files.at(report), tiny::kReports.at(report));
    }
  }
}

TEST(ReportFailure, EachLostReportIsNamedAndTheOthersAreComplete) {
  for (const LostReports& c : kCases) {
    SCOPED_TRACE(c.name);
    const RunResult run = runParentsphere(
        {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}}, tiny::kRadius, "", c.prepare);
    EXPECT_EQ(run.stdoutText, tiny::kPrompt + messagesFor(c.lost));
    EXPECT_EQ(run.stdoutText.find("DONE"), std::string::npos);
    EXPECT_EQ(run.status, 1);
    expectOnlyTheLostAreMissing(run, c.lost);
  }
}

bool commandSucceeds(const std::string& command) { return std::system(command.c_str()) == 0; }

// How to run the program as a user who cannot write to a folder the test owns,
// or why that is impossible here (the second member, empty when possible).
struct OtherUser {
  std::string prefix;  // put before the program's command line
  std::string whyNot;
};

OtherUser findOtherUser() {
  if (geteuid() != 0) return {"", ""};  // already not root: taking the write bit away suffices
  const std::string binary = PARENTSPHERE_BINARY;
  const std::vector<std::string> candidates = {
      "setpriv --reuid=nobody --regid=nogroup --clear-groups",
      "runuser -u nobody --",
  };
  for (const std::string& prefix : candidates) {
    const std::string tool = prefix.substr(0, prefix.find(' '));
    if (!commandSucceeds("command -v " + tool + " >/dev/null 2>&1")) continue;
    if (commandSucceeds(prefix + " test -x '" + binary + "' 2>/dev/null")) return {prefix, ""};
  }
  return {"", "running as root, and neither setpriv nor runuser can run " + binary +
                  " as the user nobody (missing tools, no such user, or the build folder is "
                  "not reachable by other users)"};
}

// Runs the program as a user who cannot write what `protect` (shell commands
// run first, as the folder's owner) takes away. Empty `whyNot` when it ran.
struct ProtectedRun {
  RunResult run;
  std::string whyNot;
};

ProtectedRun runProtected(const std::map<std::string, std::string>& files,
                          const std::string& protect) {
  const OtherUser user = findOtherUser();
  if (!user.whyNot.empty()) return {RunResult(), user.whyNot};
  // The program runs as the other user (exec replaces the fixture's shell,
  // whose own command line would run it as root).
  std::string prepare = protect;
  if (!user.prefix.empty()) {
    prepare += " && exec " + user.prefix + " '" + PARENTSPHERE_BINARY +
               "' < .io/stdin > .io/stdout 2> .io/stderr";
  }
  ProtectedRun result{runParentsphere(files, tiny::kRadius, "", prepare), ""};
  if (user.prefix.empty() && access(result.run.folder.c_str(), W_OK) == 0) {
    result.whyNot = "this user can write to a folder without write permission";
  }
  return result;
}

const std::map<std::string, std::string> kOldReports = {
    {"Parent.out", "old parent report\n"},
    {"Fam.out", "old family list\n"},
    {"Famgenotypes.out", "old family genotypes\n"}};

std::map<std::string, std::string> inputsAndOldReports() {
  std::map<std::string, std::string> files = kOldReports;
  files["parents.PAR"] = tiny::kParents;
  files["sons.PRO"] = tiny::kSons;
  return files;
}

TEST(ReportFailure, FolderWithoutWritePermissionLosesAllThree) {
  const ProtectedRun result =
      runProtected({{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}}, "chmod 555 .");
  if (!result.whyNot.empty()) GTEST_SKIP() << result.whyNot;
  const RunResult& run = result.run;
  const std::vector<std::string> all = {"Parent.out", "Fam.out", "Famgenotypes.out"};
  EXPECT_EQ(run.stdoutText, tiny::kPrompt + messagesFor(all));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.stderrText, tiny::kUntypedWarning);
  EXPECT_EQ(run.files.size(), 2u) << "only the two inputs may be in the folder";
  EXPECT_EQ(run.files.count("parents.PAR") + run.files.count("sons.PRO"), 2u);
}

// Reports are replaced through new files, so a folder where none can be
// created loses all three even when the old reports themselves are writable;
// they stay as they were.
TEST(ReportFailure, ReadOnlyFolderKeepsWritableOldReports) {
  const ProtectedRun result = runProtected(inputsAndOldReports(), "chmod 666 *.out && chmod 555 .");
  if (!result.whyNot.empty()) GTEST_SKIP() << result.whyNot;
  const std::vector<std::string> all = {"Parent.out", "Fam.out", "Famgenotypes.out"};
  EXPECT_EQ(result.run.stdoutText, tiny::kPrompt + messagesFor(all));
  EXPECT_EQ(result.run.status, 1);
  for (const auto& [name, text] : kOldReports) EXPECT_EQ(result.run.files.at(name), text) << name;
}

// A report file the user may not write is a protection: it stays, the other
// reports are replaced.
TEST(ReportFailure, ReadOnlyReportIsKeptAndTheOthersReplaced) {
  const ProtectedRun result = runProtected(inputsAndOldReports(), "chmod 666 *.out && chmod 444 Fam.out && chmod 777 .");
  if (!result.whyNot.empty()) GTEST_SKIP() << result.whyNot;
  EXPECT_EQ(result.run.stdoutText, tiny::kPrompt + messagesFor({"Fam.out"}));
  EXPECT_EQ(result.run.status, 1);
  EXPECT_EQ(result.run.files.at("Fam.out"), kOldReports.at("Fam.out"));
  EXPECT_EQ(result.run.files.at("Parent.out"), tiny::kParentReport);
  EXPECT_EQ(result.run.files.at("Famgenotypes.out"), tiny::kGenotypeReport);
}

}  // namespace
