// The manual page: it renders without warnings, its example is what the
// program really writes, and it names every message the program can print.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kManual = std::string(PARENTSPHERE_SOURCE_DIR) + "/docs/parentsphere.1";

bool onPath(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The page's text with the escapes it uses for literal text undone.
std::string manualText() {
  std::string text = readFile(kManual);
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[i + 1];
      if (next == '-') plain += '-';
      if (next == '~') plain += ' ';
      if (next == 'e') plain += '\\';
      if (next == '-' || next == '~' || next == 'e' || next == '%') {
        ++i;
        continue;
      }
    }
    plain += text[i];
  }
  return plain;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST(Manual, GroffFindsNothingToWarnAbout) {
  if (!onPath("groff")) GTEST_SKIP() << "groff is not installed (Debian: groff-base), so the page was not checked";
  const std::string command = "groff -ww -man -z '" + kManual + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string warnings;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) warnings += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(warnings, "");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Manual, TitleCarriesTheProgramVersion) {
  const std::string title = "\n.TH PARENTSPHERE 1 ";
  const std::string text = readFile(kManual);
  const size_t at = text.find(title);
  ASSERT_NE(at, std::string::npos);
  const std::string line = text.substr(at + 1, text.find('\n', at + 1) - at - 1);
  EXPECT_NE(line.find(std::string("\"parentsphere ") + PARENTSPHERE_VERSION + "\""), std::string::npos)
      << line;
}

// The example of the page, worked out by hand from the formats it documents.
const char* const kParents =
    "# candidate parents: mothers (identifiers below 2000) first\n"
    "120 126 88 94 12\n"
    "122 134 88 96 15\n"
    "156 158 70 72 7\n"
    "126 140 92 100 2003\n"
    "150 160 60 70 2008\n";
const char* const kSons =
    "# offspring, numbered 1, 2, 3 in this order\n"
    "120 126 88 92\n"
    "200 202 50 52\n"
    "150 156 -99 70\n";
const std::string kDash(65, '-');
const std::string kParentReport =
    "Radius = 2\n"
    "\n"
    "SONS\t\tMOTHERS\t\t\t\tFATHERS\t\n" +
    kDash + "\n" +
    "\n"
    "1\t\t12(I-TOTAL MATCH)\t\t2003(S-TOTAL MATCH)\n"
    "\t\t15(NON-TOTAL MATCH)\t\t\n" +
    kDash + "\n" +
    "\n"
    "3\t\t7(S-TOTAL MATCH)\t\t2008(S-TOTAL MATCH)\n" +
    kDash + "\n";
const std::string kFamilyReport =
    "2 sons with assigned family (R =2):\n"
    "\n"
    "SON\t\tMOTHER\tFATHER\n" +
    kDash + "\n" +
    "1\t\t12\t\t2003\n"
    "\t\t15\t\t2003\n"
    "\n"
    "3*\t\t7\t\t2008\n";
const std::string kUnderscores(37, '_');
const std::string kGenotypeReport =
    "\n"
    "OFFSPRING 1   \t120 126 88 92 \n" +
    kUnderscores + "\n" +
    "Mother 12\t\t120 126 88 94 \n"
    "Father 2003\t\t126 140 92 100 \n"
    "\n"
    "Mother 15\t\t122 134 88 96 \n"
    "Father 2003\t\t126 140 92 100 \n"
    "\n"
    "\n"
    "OFFSPRING 3   \t150 156 -99 70 \n" +
    kUnderscores + "\n" +
    "Mother 7\t\t156 158 70 72 \n"
    "Father 2008\t\t150 160 60 70 \n"
    "\n";

TEST(Manual, ExampleIsWhatTheProgramWrites) {
  const RunResult run = runParentsphere({{"parents.PAR", kParents}, {"sons.PRO", kSons}}, "2\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.files.at("Parent.out"), kParentReport);
  EXPECT_EQ(run.files.at("Fam.out"), kFamilyReport);
  EXPECT_EQ(run.files.at("Famgenotypes.out"), kGenotypeReport);
}

TEST(Manual, ExampleIsPrintedInThePage) {
  std::vector<std::string> pageLines = lines(manualText());
  const auto inPage = [&pageLines](const std::string& line) {
    for (const std::string& pageLine : pageLines) {
      if (pageLine == line) return true;
    }
    return false;
  };
  for (const std::string& file : {std::string(kParents), std::string(kSons), kParentReport,
                                  kFamilyReport, kGenotypeReport}) {
    for (const std::string& line : lines(file)) {
      if (line.empty()) continue;
      EXPECT_TRUE(inPage(line)) << "not in the manual's example: \"" << line << "\"";
    }
  }
}

TEST(Manual, NamesEveryMessage) {
  const char* const messages[] = {
      "Input the radius value (0, 2, 4, 6,8 ...):",
      "DONE",
      "can not find \" file \" input file",
      "can not read \" file \" input file",
      ("There was a problem reading the input file. Check it is a plain text file and there are "
       "number instead of text inside."),
      "EMPTY PARENTS FILE",
      "EMPTY SONS FILE",
      "WRONG NUMBER OF COLUMNS IN SONS FILE",
      "WRONG NUMBER OF COLUMNS IN PARENTS FILE",
      "can not write \" report \" output file",
      "not enough memory to finish the analysis",
      "parentsphere: another run is writing its reports in this folder; nothing was changed",
      "I-TOTAL MATCH",
      "S-TOTAL MATCH",
      "NON-TOTAL MATCH",
      "sons with assigned family (R =",
      "0 No sons with assigned family!",
      ".SH \"EXIT STATUS\"",
      "radius 4: reports in",
      "is not a number (untyped alleles are written -99)",
      "values, expected at least",
      "can not create folder",
      ".SS Warnings",
      "parentsphere: warning:",
  };
  const std::string page = manualText();
  for (const char* message : messages) {
    EXPECT_NE(page.find(message), std::string::npos) << "the manual does not name: " << message;
  }
}

}  // namespace
