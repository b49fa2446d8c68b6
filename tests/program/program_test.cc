// The real program run in a temporary folder on small hand-made tables: the
// prompt, the input failures, and the three reports byte for byte.
#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kPrompt = "Input the radius value (0, 2, 4, 6,8 ...): ";
const std::string kDone = "\nDONE\n";
const std::string kConversion =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";
const std::string kDash = std::string(65, '-') + "\n";
const std::string kParentHeader = "\nSONS\t\tMOTHERS\t\t\t\tFATHERS\t\n" + kDash;
const std::string kFamilyColumns = "\nSON\t\tMOTHER\tFATHER\n" + kDash;
const std::string kNoFamilies = "0 No sons with assigned family!\n" + kFamilyColumns;
const std::string kUnderscores1 = std::string(27, '_');  // one locus

struct Reports {
  std::string parent;
  std::string fam;
  std::string famgenotypes;
};

// Checks the reports named in `check` (all three by default).
void expectReports(const RunResult& run, const Reports& expected,
                   const std::set<std::string>& check = {"Parent.out", "Fam.out",
                                                         "Famgenotypes.out"}) {
  const std::pair<const char*, const std::string*> reports[] = {
      {"Parent.out", &expected.parent},
      {"Fam.out", &expected.fam},
      {"Famgenotypes.out", &expected.famgenotypes}};
  for (const auto& [name, text] : reports) {
    if (check.count(name) == 0) continue;
    SCOPED_TRACE(name);
    ASSERT_EQ(run.files.count(name), 1u);
    EXPECT_EQ(run.files.at(name), *text);
  }
}

// One son, two candidate mothers (one untyped at the locus) and two fathers;
// all four pairings are compatible at radius 0.
const std::string kTwoFamiliesParents =
    "# mothers first, then fathers\n"
    "100 104 11\n"
    "100 -99 12\n"
    "104 104 2001\n"
    "104 110 2002\n";
const std::string kTwoFamiliesSons = "100 104\n";
const Reports kTwoFamilies = {
    "Radius = 0\n" + kParentHeader +
        "\n1\t\t11(I-TOTAL MATCH)\t\t2001(S-TOTAL MATCH)\n"
        "\t\t12(I-TOTAL MATCH)\t\t2002(S-TOTAL MATCH)\n" +
        kDash,
    "1 sons with assigned family (R =0):\n" + kFamilyColumns +
        "1\t\t11\t\t2001\n"
        "\t\t11\t\t2002\n"
        "*\t\t12\t\t2001\n"
        "*\t\t12\t\t2002\n",
    "\nOFFSPRING 1   \t100 104 \n" + kUnderscores1 +
        "\n"
        "Mother 11\t\t100 104 \nFather 2001\t\t104 104 \n\n"
        "Mother 11\t\t100 104 \nFather 2002\t\t104 110 \n\n"
        "Mother 12\t\t100 -99 \nFather 2001\t\t104 104 \n\n"
        "Mother 12\t\t100 -99 \nFather 2002\t\t104 110 \n\n",
};

RunResult runTwoFamilies(const std::string& prepare = "") {
  return runParentsphere({{"parents.PAR", kTwoFamiliesParents}, {"sons.PRO", kTwoFamiliesSons}},
                         "0\n", "", prepare);
}

TEST(Program, TwoFamiliesOfOneSonWithMarks) {
  // Older, longer reports are replaced.
  const RunResult run = runParentsphere({{"parents.PAR", kTwoFamiliesParents},
                                         {"sons.PRO", kTwoFamiliesSons},
                                         {"Parent.out", std::string(4000, 'p')},
                                         {"Fam.out", std::string(4000, 'f')},
                                         {"Famgenotypes.out", std::string(4000, 'g')}},
                                        "0\n");
  EXPECT_EQ(run.stdoutText, kPrompt + kDone);
  // Mother 12 is untyped at the only locus.
  EXPECT_EQ(run.stderrText,
            "parentsphere: warning: 1 individual has no typed locus, so it matches every genotype: "
            "parents.PAR:3\n");
  EXPECT_EQ(run.status, 0);
  expectReports(run, kTwoFamilies);
  EXPECT_EQ(run.files.count("ErrLog.txt"), 0u);
}

TEST(Program, InputFileVariantsReadTheSame) {
  struct Variant {
    const char* name;
    std::string parents;
    std::string sons;
    std::string prepare;
  };
  std::string crlfParents;
  for (char c : kTwoFamiliesParents)
    crlfParents += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const Variant variants[] = {
      {"read-only input files", kTwoFamiliesParents, kTwoFamiliesSons,
       "chmod 0444 parents.PAR sons.PRO"},
      {"carriage-return line ends", crlfParents, "100 104\r\n", ""},
      {"no final line feed, blank lines, tabs", "\n" + kTwoFamiliesParents + "\n\t \n",
       "\t100\t\t104", ""},
      {"comment lines and commented-out rows", kTwoFamiliesParents + "7 7 2003 # dropped\n",
       "# offspring\n100 104\n#9 9\n", ""},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const RunResult run =
        runParentsphere({{"parents.PAR", v.parents}, {"sons.PRO", v.sons}}, "0\n", "", v.prepare);
    EXPECT_EQ(run.stdoutText, kPrompt + kDone);
    EXPECT_EQ(run.status, 0);
    expectReports(run, kTwoFamilies);
  }
}

// One son, one mother (near 0, far 2) and one father (near 0, far 4): what
// the radius typed makes of them.
TEST(Program, RadiusAsTyped) {
  struct Case {
    const char* typed;
    Reports expected;
  };
  const std::string famgenotypes = "\nOFFSPRING 1   \t100 104 \n" + kUnderscores1 +
                                   "\nMother 11\t\t100 102 \nFather 2001\t\t104 106 \n\n";
  auto family = [](const std::string& r) {
    return "1 sons with assigned family (R =" + r + "):\n" + kFamilyColumns + "1\t\t11\t\t2001\n";
  };
  auto parent = [](const std::string& r, const char* mother, const char* father) {
    return "Radius = " + r + "\n" + kParentHeader + "\n1\t\t11(" + mother + ")\t\t2001(" + father +
           ")\n" + kDash;
  };
  const Case cases[] = {
      {"abc\n", {parent("0", "S-TOTAL MATCH", "S-TOTAL MATCH"), family("0"), famgenotypes}},
      {"", {parent("0", "S-TOTAL MATCH", "S-TOTAL MATCH"), family("0"), famgenotypes}},
      {"x5\n", {parent("0", "S-TOTAL MATCH", "S-TOTAL MATCH"), family("0"), famgenotypes}},
      {"2\n", {parent("2", "I-TOTAL MATCH", "S-TOTAL MATCH"), family("2"), famgenotypes}},
      {"3 7\n", {parent("3", "I-TOTAL MATCH", "S-TOTAL MATCH"), family("3"), famgenotypes}},
      {"  4  \n", {parent("4", "I-TOTAL MATCH", "I-TOTAL MATCH"), family("4"), famgenotypes}},
      {"-3\n", {"Radius = -3\n" + kParentHeader, kNoFamilies, ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    const RunResult run = runParentsphere(
        {{"parents.PAR", "100 102 11\n104 106 2001\n"}, {"sons.PRO", "100 104\n"}}, c.typed);
    EXPECT_EQ(run.stdoutText, kPrompt + kDone);
    EXPECT_EQ(run.status, 0);
    expectReports(run, c.expected);
  }
}

// Families for sons 2 and 5 only: the count is 2, not the highest number 5.
// Son 4 has a mother but no father, sons 1 and 3 no candidate at all.
TEST(Program, FamilyCountIsTheNumberOfSons) {
  const RunResult run =
      runParentsphere({{"parents.PAR", "100 102 21\n200 202 2001\n"},
                       {"sons.PRO", "300 302\n100 200\n300 302\n100 102\n-99 200\n"}},
                      "0\n");
  EXPECT_EQ(run.stdoutText, kPrompt + kDone);
  EXPECT_EQ(run.status, 0);
  const std::string parents = "Mother 21\t\t100 102 \nFather 2001\t\t200 202 \n\n";
  expectReports(
      run, {"Radius = 0\n" + kParentHeader + "\n2\t\t21(S-TOTAL MATCH)\t\t2001(S-TOTAL MATCH)\n" +
                kDash + "\n4\t\t21(I-TOTAL MATCH)\t\t\n" + kDash +
                "\n5\t\t21(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n" + kDash,
            "2 sons with assigned family (R =0):\n" + kFamilyColumns +
                "\n2\t\t21\t\t2001\n\n5*\t\t21\t\t2001\n",
            "\nOFFSPRING 2   \t100 200 \n" + kUnderscores1 + "\n" + parents +
                "\nOFFSPRING 5   \t-99 200 \n" + kUnderscores1 + "\n" + parents});
}

TEST(Program, SonWithFathersOnlyAndNoFamily) {
  const RunResult run =
      runParentsphere({{"parents.PAR", "100 104 2001\n"}, {"sons.PRO", "100 104\n"}}, "0\n");
  EXPECT_EQ(run.stdoutText, kPrompt + kDone);
  EXPECT_EQ(run.status, 0);
  expectReports(run,
                {"Radius = 0\n" + kParentHeader + "\n1\t\t\t\t\t\t\t2001(I-TOTAL MATCH)\n" + kDash,
                 kNoFamilies, ""});
}

TEST(Program, SonNumberedAThousand) {
  std::string sons;
  for (int i = 0; i < 999; ++i) sons += "300 302\n";
  sons += "100 104\n";
  const RunResult run =
      runParentsphere({{"parents.PAR", "100 100 11\n104 104 2001\n"}, {"sons.PRO", sons}}, "4\n");
  EXPECT_EQ(run.stdoutText, kPrompt + kDone);
  EXPECT_EQ(run.status, 0);
  expectReports(
      run, {"Radius = 4\n" + kParentHeader +
                "\n1000\t\t11(I-TOTAL MATCH)\t\t2001(I-TOTAL MATCH)\n" + kDash,
            "1 sons with assigned family (R =4):\n" + kFamilyColumns + "\n1000\t\t11\t\t2001\n",
            "\nOFFSPRING 1000\t100 104 \n" + kUnderscores1 +
                "\nMother 11\t\t100 100 \nFather 2001\t\t104 104 \n\n"});
}

struct FailureCase {
  const char* name;
  std::map<std::string, std::string> files;
  std::string prepare;
  std::string message;
};

const std::string kParents = "100 104 11\n104 104 2001\n";
const std::string kSons = "100 104\n";

TEST(Program, InputFailures) {
  const std::string notFoundParents = "can not find parents.PAR input file\n";
  const std::string notFoundSons = "can not find sons.PRO input file\n";
  const FailureCase cases[] = {
      {"no input files", {}, "", notFoundParents},
      {"parents missing, sons present", {{"sons.PRO", kSons}}, "", notFoundParents},
      {"parents missing, sons unreadable too", {{"sons.PRO", "abc\n"}}, "", notFoundParents},
      {"parents a directory", {{"sons.PRO", kSons}}, "mkdir parents.PAR", notFoundParents},
      {"parents a dangling link",
       {{"sons.PRO", kSons}},
       "ln -s nowhere parents.PAR",
       notFoundParents},
      {"parents cannot be read",
       {{"sons.PRO", kSons}},
       "ln -s /proc/self/mem parents.PAR",
       "can not read parents.PAR input file\n"},
      {"sons missing", {{"parents.PAR", kParents}}, "", notFoundSons},
      {"sons a directory", {{"parents.PAR", kParents}}, "mkdir sons.PRO", notFoundSons},
      {"sons cannot be read",
       {{"parents.PAR", kParents}},
       "ln -s /proc/self/mem sons.PRO",
       "can not read sons.PRO input file\n"},
      {"parents read before sons",
       {{"parents.PAR", "1 0 2\n"}, {"sons.PRO", "x\n"}},
       "",
       kConversion},
      {"conversion failure in sons",
       {{"parents.PAR", kParents}, {"sons.PRO", "100 104\n0 5\n"}},
       "",
       kConversion},
      {"blank line of a carriage-return file",
       {{"parents.PAR", kParents}, {"sons.PRO", "100 104\r\n\r\n"}},
       "",
       kConversion},
      {"empty parents",
       {{"parents.PAR", "# none\n\n"}, {"sons.PRO", "1 2 3\n"}},
       "",
       "EMPTY PARENTS FILE\n"},
      {"empty sons", {{"parents.PAR", kParents}, {"sons.PRO", ""}}, "", "EMPTY SONS FILE\n"},
      {"odd first sons row",
       {{"parents.PAR", kParents}, {"sons.PRO", "100 104 7\n"}},
       "",
       "WRONG NUMBER OF COLUMNS IN SONS FILE\n"},
      {"short sons row",
       {{"parents.PAR", kParents}, {"sons.PRO", "100 104 1 1\n100 104\n"}},
       "",
       "WRONG NUMBER OF COLUMNS IN SONS FILE\n"},
      {"short parents row",
       {{"parents.PAR", "100 104 11\n104 2001\n"}, {"sons.PRO", kSons}},
       "",
       "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Reports from an earlier run must survive a run that stops on bad input.
    std::map<std::string, std::string> files = c.files;
    files["Parent.out"] = "earlier parent report\n";
    files["Fam.out"] = "earlier family list\n";
    files["Famgenotypes.out"] = "earlier genotypes\n";
    const RunResult run = runParentsphere(files, "2\n", "", c.prepare);
    EXPECT_EQ(run.stdoutText, kPrompt + c.message);
    // At most the line saying where (bad_input_test checks each kind).
    EXPECT_LE(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
    EXPECT_EQ(run.status, 1);
    expectReports(run, {"earlier parent report\n", "earlier family list\n", "earlier genotypes\n"});
    EXPECT_EQ(run.files.count("ErrLog.txt"), 0u);
  }
}

// Leading numbers of a sons token at the edges of the 32-bit range.
TEST(Program, TokensAtThe32BitLimits) {
  struct Case {
    const char* token;
    bool runs;
  };
  const Case cases[] = {
      {"2147483647", true},
      {"-2147483648", true},
      {"2147483648", false},
      {"-2147483649", false},
      {"4294967396", false},
      {"4294967297", false},
      {"99999999999999999999", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.token);
    const RunResult run = runParentsphere({{"parents.PAR", "100 100 11\n104 104 2001\n"},
                                           {"sons.PRO", std::string("100 ") + c.token + "\n"}},
                                          "0\n");
    EXPECT_EQ(run.stdoutText, kPrompt + (c.runs ? kDone : kConversion));
    EXPECT_EQ(run.status, c.runs ? 0 : 1);
  }
  // -2147483648 is stored as the invalid-value marker, an allele far from 100:
  // the son (100, -100000) keeps the mother (100, 100) at near 0, far 100100.
  const RunResult run = runParentsphere(
      {{"parents.PAR", "100 100 11\n104 104 2001\n"}, {"sons.PRO", "100 -2147483648\n"}}, "0\n");
  expectReports(run, {"Radius = 0\n" + kParentHeader + "\n1\t\t11(S-TOTAL MATCH)\t\t\n" + kDash,
                      kNoFamilies, ""});
}

TEST(Program, UnwritableReports) {
  struct Case {
    const char* prepare;
    std::set<std::string> lost;
    std::string messages;
  };
  const Case cases[] = {
      {"mkdir Parent.out", {"Parent.out"}, "can not write Parent.out output file\n"},
      {"mkdir Fam.out", {"Fam.out"}, "can not write Fam.out output file\n"},
      {"mkdir Famgenotypes.out",
       {"Famgenotypes.out"},
       "can not write Famgenotypes.out output file\n"},
      {"mkdir Famgenotypes.out Parent.out",
       {"Parent.out", "Famgenotypes.out"},
       "can not write Parent.out output file\ncan not write Famgenotypes.out output file\n"},
      {"mkdir Famgenotypes.out Fam.out Parent.out",
       {"Parent.out", "Fam.out", "Famgenotypes.out"},
       "can not write Parent.out output file\ncan not write Fam.out output file\n"
       "can not write Famgenotypes.out output file\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prepare);
    const RunResult run = runTwoFamilies(c.prepare);
    EXPECT_EQ(run.stdoutText, kPrompt + c.messages);  // and no DONE
    EXPECT_EQ(run.status, 1);
    std::set<std::string> written;
    for (const char* name : {"Parent.out", "Fam.out", "Famgenotypes.out"}) {
      if (c.lost.count(name) == 0) {
        written.insert(name);
      } else {
        EXPECT_EQ(run.files.count(name), 0u) << name;
      }
    }
    expectReports(run, kTwoFamilies, written);
  }
}

}  // namespace
