// parentsphere --help, --version and wrong arguments, as a user types them.
#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "run_fixture.h"

namespace {

const std::map<std::string, std::string> kFolder = {
    {"parents.PAR", "100 102 1\n100 104 2000\n"},
    {"sons.PRO", "100 104\n"},
    {"Parent.out", "an earlier report\n"},
};

size_t lineCount(const std::string& text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

TEST(CommandLine, NoArgumentsRunsTheAnalysis) {
  const CommandLine command = readCommandLine({});
  EXPECT_EQ(command.action, CommandLine::Action::Run);
  EXPECT_EQ(command.text, "");
}

TEST(CommandLine, VersionIsTheProjectVersion) {
  EXPECT_EQ(versionText(), std::string("parentsphere ") + PARENTSPHERE_VERSION + "\n");
}

TEST(CommandLine, HelpNamesWhatAUserNeeds) {
  const std::string help = helpText();
  const char* const needed[] = {
      "usage: parentsphere [--help | --version]\n",
      "parents.PAR",
      "sons.PRO",
      "below 2000",
      "-99",
      "'#'",
      "\"Input the radius value (0, 2, 4, 6,8 ...): \"",
      "repeat length",
      "Parent.out",
      "Fam.out",
      "Famgenotypes.out",
      "--version",
      "man parentsphere",
      "csv2parentsphere",
  };
  for (const char* text : needed) {
    SCOPED_TRACE(text);
    EXPECT_NE(help.find(text), std::string::npos);
  }
  size_t start = 0;
  for (size_t end = help.find('\n'); end != std::string::npos; end = help.find('\n', start)) {
    EXPECT_LE(end - start, 79u) << "line too wide for a terminal: " << help.substr(start, end - start);
    start = end + 1;
  }
  EXPECT_EQ(start, help.size()) << "the text must end with a line feed";
}

TEST(CommandLine, EveryOtherArgumentIsAOneLineUsageError) {
  struct Row {
    std::vector<std::string> args;
    const char* expected;
  };
  const Row rows[] = {
      {{"-h"}, "parentsphere: unknown argument '-h'; usage: parentsphere [--help | --version]\n"},
      {{"--HELP"}, "parentsphere: unknown argument '--HELP'; usage: parentsphere [--help | --version]\n"},
      {{"4"}, "parentsphere: unknown argument '4'; usage: parentsphere [--help | --version]\n"},
      {{""}, "parentsphere: unknown argument ''; usage: parentsphere [--help | --version]\n"},
      {{"--"}, "parentsphere: unknown argument '--'; usage: parentsphere [--help | --version]\n"},
      {{"a\nb\x1b"}, "parentsphere: unknown argument 'a?b?'; usage: parentsphere [--help | --version]\n"},
      {{"--help", "--version"}, "parentsphere: too many arguments; usage: parentsphere [--help | --version]\n"},
      {{"--version", "x"}, "parentsphere: too many arguments; usage: parentsphere [--help | --version]\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    const CommandLine command = readCommandLine(row.args);
    EXPECT_EQ(command.action, CommandLine::Action::UsageError);
    EXPECT_EQ(command.text, row.expected);
  }
}

// The real program: the printed text, the status, and the folder left as it was.
TEST(CommandLineProgram, HelpAndVersionPrintAndTouchNothing) {
  struct Row {
    const char* args;
    std::string expectedStdout;
  };
  const Row rows[] = {{"--help", helpText()}, {"--version", versionText()}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const RunResult run = runParentsphere(kFolder, "4\n", row.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.stdoutText, row.expectedStdout);
    EXPECT_EQ(run.stderrText, "");
    EXPECT_EQ(run.files, kFolder);
  }
}

TEST(CommandLineProgram, VersionOnTheCommandLine) {
  const RunResult run = runParentsphere({}, "", "--version");
  EXPECT_EQ(run.stdoutText, "parentsphere 1.0.0\n");
}

TEST(CommandLineProgram, WrongArgumentsExitTwoAndTouchNothing) {
  const char* const rows[] = {"-h", "--verbose", "4", "''", "--help --version", "--version --version"};
  for (const char* args : rows) {
    SCOPED_TRACE(args);
    const RunResult run = runParentsphere(kFolder, "4\n", args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.stdoutText, "") << "no prompt: the radius is not asked for";
    EXPECT_EQ(lineCount(run.stderrText), 1u) << run.stderrText;
    EXPECT_EQ(run.stderrText.rfind("parentsphere: ", 0), 0u) << run.stderrText;
    EXPECT_NE(run.stderrText.find("usage: parentsphere [--help | --version]\n"), std::string::npos);
    EXPECT_EQ(run.files, kFolder);
  }
}

TEST(CommandLineProgram, HelpLostToAFullDiskIsAFailure) {
  const std::string command = std::string("'") + PARENTSPHERE_BINARY + "' --help >/dev/full 2>/dev/null";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
}

TEST(CommandLineProgram, WithoutArgumentsTheRunIsUnchanged) {
  const RunResult run = runParentsphere(kFolder, "4\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.stdoutText, "Input the radius value (0, 2, 4, 6,8 ...): \nDONE\n");
  EXPECT_EQ(run.stderrText, "");
  EXPECT_EQ(run.files.count("Fam.out"), 1u);
}

}  // namespace
