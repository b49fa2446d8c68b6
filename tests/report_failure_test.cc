// Reports that cannot be written: the program still writes every other report
// in full, then names each lost one ("can not write <name> output file\n", in
// the order Parent.out, Fam.out, Famgenotypes.out), prints no DONE and ends
// with status 1.
#include <unistd.h>

#include <cstdlib>
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
    {"Parent.out linked to /dev/full", "ln -s /dev/full Parent.out", {"Parent.out"}},
    {"Fam.out linked to /dev/full", "ln -s /dev/full Fam.out", {"Fam.out"}},
    {"Famgenotypes.out linked to /dev/full", "ln -s /dev/full Famgenotypes.out",
     {"Famgenotypes.out"}},
    {"all three linked to /dev/full",
     "ln -s /dev/full Parent.out && ln -s /dev/full Fam.out && ln -s /dev/full Famgenotypes.out",
     {"Parent.out", "Fam.out", "Famgenotypes.out"}},
    {"the messages keep report order: Famgenotypes.out full, Parent.out a directory",
     "ln -s /dev/full Famgenotypes.out && mkdir Parent.out",
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

TEST(ReportFailure, FolderWithoutWritePermissionLosesAllThree) {
  const OtherUser user = findOtherUser();
  if (!user.whyNot.empty()) GTEST_SKIP() << user.whyNot;
  // The folder is made read-only and searchable by all; the program then runs
  // as the other user (exec replaces the fixture's shell, whose own command
  // line would run the program as root).
  std::string prepare = "chmod 555 .";
  if (!user.prefix.empty()) {
    prepare += " && exec " + user.prefix + " '" + PARENTSPHERE_BINARY +
               "' < .io/stdin > .io/stdout 2> .io/stderr";
  }
  const RunResult run = runParentsphere(
      {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}}, tiny::kRadius, "", prepare);
  if (user.prefix.empty() && access(run.folder.c_str(), W_OK) == 0) {
    GTEST_SKIP() << "this user can write to a folder without write permission";
  }
  const std::vector<std::string> all = {"Parent.out", "Fam.out", "Famgenotypes.out"};
  EXPECT_EQ(run.stdoutText, tiny::kPrompt + messagesFor(all));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.stderrText, tiny::kUntypedWarning);
  EXPECT_EQ(run.files.size(), 2u) << "only the two inputs may be in the folder";
  EXPECT_EQ(run.files.count("parents.PAR") + run.files.count("sons.PRO"), 2u);
}

}  // namespace
