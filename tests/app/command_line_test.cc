// The command line as a user types it: the options, --help, --version and
// wrong arguments, parsed and then run through the real program.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "run_fixture.h"

namespace {

const std::map<std::string, std::string> kFolder = {
    {"parents.PAR", "100 102 1\n100 104 2000\n"},
    {"sons.PRO", "100 104\n"},
    {"Parent.out", "an earlier report\n"},
};

TEST(CommandLine, VersionIsTheProjectVersion) {
  EXPECT_EQ(versionText(), std::string("parentsphere ") + PARENTSPHERE_VERSION + "\n");
}

TEST(CommandLine, HelpNamesWhatAUserNeeds) {
  const std::string help = helpText();
  const char* const needed[] = {
      "usage: parentsphere [OPTIONS]\n",
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
      "-h,--help",
      "--version",
      "-r,--radius R[,R...]",
      "DIR/radius-R",
      "--parents FILE",
      "--offspring FILE",
      "-o,--output-dir DIR",
      "-q,--quiet",
      "--table FILE",
      "--threads N",
      "parentsphere -q -r 2,4,6 -o sweep",
      "warned about on standard error",
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
  EXPECT_EQ(help.find("\n\n\n"), std::string::npos) << "one blank line between parts";
}

TEST(CommandLine, OptionsFillTheRunOptions) {
  struct Row {
    std::vector<std::string> args;
    std::vector<int> radii;
    std::string parents, offspring, outputDir;
    bool quiet;
  };
  const Row rows[] = {
      {{}, {}, "parents.PAR", "sons.PRO", ".", false},
      {{"-r", "4"}, {4}, "parents.PAR", "sons.PRO", ".", false},
      {{"-r4"}, {4}, "parents.PAR", "sons.PRO", ".", false},
      {{"--radius=2,4,6"}, {2, 4, 6}, "parents.PAR", "sons.PRO", ".", false},
      {{"--radius", "6,0,007"}, {6, 0, 7}, "parents.PAR", "sons.PRO", ".", false},
      {{"-r", "2147483647"}, {2147483647}, "parents.PAR", "sons.PRO", ".", false},
      {{"-qr", "4"}, {4}, "parents.PAR", "sons.PRO", ".", true},
      {{"--quiet", "--parents", "a b.PAR", "--offspring=x/s.PRO", "-o", "out"},
       {}, "a b.PAR", "x/s.PRO", "out", true},
  };
  for (const Row& row : rows) {
    const CommandLine command = readCommandLine(row.args);
    SCOPED_TRACE(command.text);
    ASSERT_EQ(command.action, CommandLine::Action::Run);
    EXPECT_EQ(command.options.radii, row.radii);
    EXPECT_EQ(command.options.parentsFile, row.parents);
    EXPECT_EQ(command.options.offspringFile, row.offspring);
    EXPECT_EQ(command.options.outputDir, row.outputDir);
    EXPECT_EQ(command.options.quiet, row.quiet);
  }
}

TEST(CommandLine, ThreadsTakeAWholeNumberAndDefaultToTheCores) {
  const std::pair<std::vector<std::string>, unsigned> rows[] = {
      {{}, 0}, {{"--threads", "1"}, 1}, {{"--threads=7"}, 7}, {{"--threads", "0016"}, 16},
      {{"--threads", "1024"}, 1024}};
  for (const auto& [args, threads] : rows) {
    const CommandLine command = readCommandLine(args);
    SCOPED_TRACE(command.text);
    ASSERT_EQ(command.action, CommandLine::Action::Run);
    EXPECT_EQ(command.options.threads, threads);
  }
}

TEST(CommandLine, HelpAndVersionWinOverOtherArguments) {
  const std::vector<std::string> rows[] = {
      {"-h"}, {"--help"}, {"-h", "--bogus"}, {"--version"}, {"-r", "4", "--version"}};
  for (const std::vector<std::string>& args : rows) {
    SCOPED_TRACE(args.back());
    const CommandLine command = readCommandLine(args);
    EXPECT_EQ(command.action, CommandLine::Action::Print);
    EXPECT_EQ(command.text, args.back() == "--version" ? versionText() : helpText());
  }
}

TEST(CommandLine, EveryOtherArgumentIsAOneLineUsageError) {
  struct Row {
    std::vector<std::string> args;
    const char* what;  // what comes before the usage
  };
  const Row rows[] = {
      {{"--HELP"}, "unknown argument '--HELP'"},
      {{"4"}, "unknown argument '4'"},
      {{""}, "unknown argument ''"},
      {{"--"}, "unknown argument '--'"},
      {{"-r", "4", "--", "x"}, "unknown argument '--'"},
      {{"a\nb\x1b"}, "unknown argument 'a?b?'"},
      {{"-r"}, "--radius: 1 required R[,R...] missing"},
      {{"-r", "4x"}, "--radius: '4x' is not a whole number from 0 to 2147483647"},
      {{"-r", ""}, "--radius: '' is not a whole number from 0 to 2147483647"},
      {{"-r", "1e3"}, "--radius: '1e3' is not a whole number from 0 to 2147483647"},
      {{"-r", "2147483648"}, "--radius: '2147483648' is not a whole number from 0 to 2147483647"},
      {{"-r", "99999999999999999999"},
       "--radius: '99999999999999999999' is not a whole number from 0 to 2147483647"},
      {{"-r", "-2"}, "--radius: '-2' is not a whole number from 0 to 2147483647"},
      {{"-r", " 2"}, "--radius: ' 2' is not a whole number from 0 to 2147483647"},
      {{"-r", "2,,4"}, "--radius: '' is not a whole number from 0 to 2147483647"},
      {{"-r", "2,4,02"}, "--radius: radius 2 is given twice"},
      {{"-r", "2", "-r", "4"}, "--radius: At Most 1 required but received 2"},
      {{"--parents"}, "--parents: 1 required FILE missing"},
      {{"--parents", ""}, "--parents: an empty name"},
      {{"-o", ""}, "--output-dir: an empty name"},
      {{"--quiet=yes"}, "quiet was given a disallowed flag override"},
      {{"--threads"}, "--threads: 1 required N missing"},
      {{"--threads", "0"}, "--threads: '0' is not a whole number from 1 to 1024"},
      {{"--threads", "1025"}, "--threads: '1025' is not a whole number from 1 to 1024"},
      {{"--threads", "-2"}, "--threads: '-2' is not a whole number from 1 to 1024"},
      {{"--threads=2x"}, "--threads: '2x' is not a whole number from 1 to 1024"},
      {{"--threads", " 2"}, "--threads: ' 2' is not a whole number from 1 to 1024"},
      {{"--threads", "99999999999"}, "--threads: '99999999999' is not a whole number from 1 to 1024"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const CommandLine command = readCommandLine(row.args);
    EXPECT_EQ(command.action, CommandLine::Action::UsageError);
    EXPECT_EQ(command.text, std::string("parentsphere: ") + row.what +
                                "; usage: parentsphere [OPTIONS] (parentsphere --help lists them)\n");
  }
}

TEST(CommandLineProgram, HelpLostToAFullDiskIsAFailure) {
  const std::string command = std::string("'") + PARENTSPHERE_BINARY + "' --help >/dev/full 2>/dev/null";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
}

// Every file and folder the run left, relative to its folder.
std::set<std::string> tree(const RunResult& run) {
  std::set<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(run.folder)) {
    const std::string path = std::filesystem::relative(entry.path(), run.folder).string();
    if (path.rfind(".io", 0) != 0) paths.insert(path);
  }
  return paths;
}

const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
const std::string kUsageError = "parentsphere: ";

TEST(CommandLineProgram, OptionsThroughTheRealProgram) {
  const RunResult reference = runParentsphere(kFolder, "4\n");
  ASSERT_EQ(reference.status, 0);
  const std::string prompt = "Input the radius value (0, 2, 4, 6,8 ...): ";
  const std::string failed = "can not write Parent.out/x/Parent.out output file\n"
                             "can not write Parent.out/x/Fam.out output file\n"
                             "can not write Parent.out/x/Famgenotypes.out output file\n";
  struct Row {
    std::string args;
    std::string input;  // standard input: a number only where the prompt may read it
    int status;
    std::string out;
    std::string errStart;  // standard error starts with it (empty: is empty)
    std::vector<std::string> reportFolders;  // where the reports equal the reference run's
    std::string prepare = "";
  };
  const Row rows[] = {
      {"", "4\n", 0, prompt + "\nDONE\n", "", {"."}},
      {"-r 4", "x\n", 0, "radius 4: reports in .\nDONE\n", "", {"."}},
      {"--radius=4 -o new/out", "x\n", 0, "radius 4: reports in new/out\nDONE\n", "", {"new/out"}},
      {"-q -r 2,4 -o sweep", "", 0,
       "radius 2: reports in sweep/radius-2\nradius 4: reports in sweep/radius-4\nDONE\n", "",
       {"sweep/radius-4"}},
      {"--parents p.PAR --offspring s.PRO -r 4", "", 0, "radius 4: reports in .\nDONE\n", "", {"."},
       "mv parents.PAR p.PAR && mv sons.PRO s.PRO"},
      {"-o out", "4\n", 0, prompt + "\nDONE\n", "", {"out"}},
      {"-r 4 --parents none.PAR", "", 1, "can not find none.PAR input file\n", "", {}},
      {"-r 4 -o Parent.out/x", "", 1, failed, "parentsphere: can not create folder Parent.out/x: ", {}},
      {"--help", "4\n", 0, helpText(), "", {}},
      {"-r 4 -h", "4\n", 0, helpText(), "", {}},
      {"--version", "4\n", 0, "parentsphere 1.0.0\n", "", {}},
      {"-r 4x -o made", "4\n", 2, "", kUsageError, {}},
      {"-r 2 -r 4 -o made", "4\n", 2, "", kUsageError, {}},
      {"-r", "4\n", 2, "", kUsageError, {}},
      {"-q --bogus", "4\n", 2, "", kUsageError, {}},
      {"4", "4\n", 2, "", kUsageError, {}},
      {"-o", "4\n", 2, "", kUsageError, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const RunResult run = runParentsphere(kFolder, row.input, row.args, row.prepare);
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.stdoutText, row.out);
    if (row.errStart.empty()) {
      EXPECT_EQ(run.stderrText, "");
    } else {
      EXPECT_EQ(run.stderrText.rfind(row.errStart, 0), 0u) << run.stderrText;
      EXPECT_EQ(run.stderrText.find('\n'), run.stderrText.size() - 1) << "one line";
    }
    if (row.status == 2 || row.args.find("-h") != std::string::npos || row.args == "--version") {
      EXPECT_EQ(run.files, kFolder) << "nothing is written";
      EXPECT_EQ(tree(run), (std::set<std::string>{"Parent.out", "parents.PAR", "sons.PRO"}));
    }
    for (const std::string& folder : row.reportFolders) {
      for (const char* report : kReports) {
        SCOPED_TRACE(folder + "/" + report);
        EXPECT_EQ(readFile(run.folder + "/" + folder + "/" + report), reference.files.at(report));
      }
      if (folder != ".") {
        EXPECT_EQ(run.files.at("Parent.out"), kFolder.at("Parent.out")) << "left alone";
      }
    }
  }
}

// Each radius of a sweep writes what a run without options writes for it.
TEST(CommandLineProgram, RadiusSweepEqualsSingleRuns) {
  const std::string examples = std::string(PARENTSPHERE_SOURCE_DIR) + "/examples/";
  const std::map<std::string, std::string> tables = {
      {"parents.PAR", readFile(examples + "parents.PAR")}, {"sons.PRO", readFile(examples + "sons.PRO")}};
  const RunResult sweep = runParentsphere(tables, "", "-r 0,4,2 -o sweep");
  ASSERT_EQ(sweep.status, 0) << sweep.stdoutText;
  for (const char* radius : {"0", "2", "4"}) {
    SCOPED_TRACE(radius);
    const RunResult single = runParentsphere(tables, std::string(radius) + "\n");
    for (const char* report : kReports) {
      EXPECT_EQ(readFile(sweep.folder + "/sweep/radius-" + radius + "/" + report),
                single.files.at(report))
          << report;
    }
    EXPECT_NE(single.files.at("Fam.out").find("(R =" + std::string(radius) + ")"), std::string::npos);
  }
}

}  // namespace
