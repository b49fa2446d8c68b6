// The warnings about data that reads but is almost certainly wrong: each kind
// on small tables, and through the real program, where they go to standard
// error only and -q silences them.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/data_warnings.h"
#include "run_fixture.h"
#include "input/table_checks.h"
#include "tiny_population.h"

namespace {

std::vector<std::string> warningsFor(const std::string& parentsText, const std::string& sonsText) {
  Data parents = Data::fromText(parentsText, -99, "#", "parents.PAR");
  Data sons = Data::fromText(sonsText, -99, "#", "sons.PRO");
  return dataWarnings(checkTables(parents, sons, -99));
}

const std::string kWarning = "parentsphere: warning: ";

TEST(DataWarnings, EachKindOnOneLine) {
  struct Row {
    const char* name;
    std::string parents;
    std::string sons;
    std::vector<std::string> expected;
  };
  const std::string sons = "100 104 100 104\n";
  const Row rows[] = {
      {"clean tables", "100 102 100 102 1\n100 104 100 104 2000\n", sons, {}},
      {"-9 as the missing code in a father: his identifier is lost and he counts as a mother",
       "100 102 100 102 1\n# fathers\n100 -9 100 104 2000\n100 104 100 104 2001\n",
       "100 104 -5 104\n",
       {kWarning + "2 rows hold a negative value other than -99, read as invalid (-100000) with "
                   "the rest of the row: parents.PAR:3 column 2, sons.PRO:1 column 3",
        kWarning + "1 parent identifier is invalid or repeated: parents.PAR:3 (invalid, so "
                   "counted as a mother)"}},
      {"repeated identifiers",
       "100 102 100 102 1\n100 102 100 102 1\n100 104 100 104 2000\n100 104 100 104 2000\n", sons,
       {kWarning + "2 parent identifiers are invalid or repeated: parents.PAR:2 (1, as on line "
                   "1), parents.PAR:4 (2000, as on line 3)"}},
      {"text after the digits, before the repeat it makes; more than three places",
       "100 102 100 102 1\n100 102 100 102 10\n100 104 100 104 10A_2016\n100 104 100 104 2000\n",
       "100 104 100 104.5\n100 104 100 104\r\n100 104 1e2 104\n100x 104 100y 104\n",
       {kWarning + "5 values have text after their digits, read as the number before the text: "
                   "parents.PAR:3 identifier '10A_2016' read as 10, sons.PRO:1 column 4 '104.5' "
                   "read as 104, sons.PRO:3 column 3 '1e2' read as 1, and 2 more",
        kWarning + "1 parent identifier is invalid or repeated: parents.PAR:3 (10, as on line 2)"}},
      {"a father first",
       "100 104 100 104 2000\n100 102 100 102 1\n100 102 100 102 2\n", sons,
       {kWarning + "mothers (identifiers below 2000) are not all listed before the fathers; the "
                   "first 2 rows are analysed as mothers, so 2 parents take the other role: "
                   "parents.PAR:1 (2000 analysed as a mother), parents.PAR:3 (2 analysed as a "
                   "father)"}},
      {"no typed locus, more than three places",
       "-99 -99 -99 -99 1\n-99 102 -99 102 2\n-99 -99 -99 -99 2000\n", sons + "-99 -99 -99 5\n" + sons +
           "-99 -99 -99 -99\n",
       {kWarning + "5 individuals have no typed locus, so they match every genotype: "
                   "parents.PAR:1, parents.PAR:2, parents.PAR:3, and 2 more"}},
      {"typed at fewer than half the loci", "100 102 -99 -99 -99 -99 1\n100 102 100 102 100 102 2000\n",
       "100 104 100 104 -99 -99\n",
       {kWarning + "1 individual is typed at fewer than half the loci, so it matches almost "
                   "every genotype: parents.PAR:1 (1 of 3)"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(warningsFor(row.parents, row.sons), row.expected);
  }
}

// The rows flagged as holding the missing code while read are flagged for the
// reader's code: tables checked with another are counted row by row.
TEST(DataWarnings, MissingCodeOtherThanTheReadersOne) {
  Data parents = Data::fromText("100 100 100 100 1\n102 104 102 104 2000\n", -99, "#", "parents.PAR");
  Data sons = Data::fromText("102 104 102 104\n", -99, "#", "sons.PRO");
  EXPECT_EQ(dataWarnings(checkTables(parents, sons, 100)),
            std::vector<std::string>{kWarning + "1 individual has no typed locus, so it matches "
                                                "every genotype: parents.PAR:1"});
}

// Warnings go to standard error only: the quiet run's output and reports are
// the same, and its standard error is empty.
TEST(DataWarnings, OnStandardErrorOnlyAndSilencedByQuiet) {
  const std::map<std::string, std::string> tables = {{"parents.PAR", tiny::kParents},
                                                     {"sons.PRO", tiny::kSons}};
  const RunResult loud = runParentsphere(tables, "no number\n");
  const RunResult quiet = runParentsphere(tables, "no number\n", "--quiet");
  EXPECT_EQ(loud.stderrText,
            kWarning + "the radius typed at the prompt is not a whole number; the run used radius 0\n" +
                tiny::kUntypedWarning);
  EXPECT_EQ(quiet.stderrText, "");
  EXPECT_EQ(loud.stdoutText, tiny::kPrompt + tiny::kDone);
  EXPECT_EQ(quiet.stdoutText, loud.stdoutText);
  EXPECT_EQ(quiet.files, loud.files);
  EXPECT_NE(loud.files.at("Parent.out").find("Radius = 0\n"), std::string::npos);
}

// The identifier read as the number before its text, through the program:
// the run goes on as before, with the warning on standard error only.
TEST(DataWarnings, TextAfterTheDigitsThroughTheProgram) {
  const std::map<std::string, std::string> files = {
      {"parents.PAR", "100 102 1001\n104 110 1001B\n102 104 2001\n"},
      {"sons.PRO", "100 104\n"}};
  const RunResult loud = runParentsphere(files, "", "-r 2");
  const RunResult quiet = runParentsphere(files, "", "-q -r 2");
  EXPECT_EQ(loud.status, 0);
  EXPECT_EQ(loud.stdoutText, "radius 2: reports in .\nDONE\n");
  EXPECT_EQ(loud.stderrText,
            kWarning + "1 value has text after its digits, read as the number before the text: "
                       "parents.PAR:2 identifier '1001B' read as 1001\n" +
                kWarning + "1 parent identifier is invalid or repeated: parents.PAR:2 (1001, as "
                           "on line 1)\n");
  EXPECT_EQ(quiet.stderrText, "");
  EXPECT_EQ(quiet.files, loud.files);
}

// With --names, each place names its individual, read from the names file
// the table uses; without it, or with a names file that cannot be used, the
// places are lines alone. -q still silences them all.
TEST(DataWarnings, ByNameWithNames) {
  const std::map<std::string, std::string> files = {
      {"parents.PAR",
       "100 102 100 102 100 102 1001\n"
       "-99 -99 -99 -99 -99 -99 1002\n"
       "102 104 -99 -99 -99 -99 2001\n"
       "102 104 100 102 100 102 2001\n"},
      {"sons.PRO", "100 102 -5 102 100 102\n-99 -99 -99 -99 -99 -99\n"},
      {"names.tsv",
       "number\trole\tname\n1001\tmother\tfinch\n1002\tmother\turhelper\n"
       "2001\tfather\talder\n1\toffspring\tchick1\n2\toffspring\tchick2\n"},
      {"short.tsv", "number\trole\tname\n1001\tmother\tfinch\n"}};
  const auto lines = [](const std::vector<std::string>& places) {
    const std::string kinds[] = {
        "1 row holds a negative value other than -99, read as invalid (-100000) with the rest "
        "of its row: ",
        "1 parent identifier is invalid or repeated: ",
        "2 individuals have no typed locus, so they match every genotype: ",
        "1 individual is typed at fewer than half the loci, so it matches almost every "
        "genotype: "};
    std::string text;
    for (size_t i = 0; i < places.size(); ++i) text += kWarning + kinds[i] + places[i] + "\n";
    return text;
  };
  const std::string named = lines({"sons.PRO:1 (chick1) column 3",
                                   "parents.PAR:4 (alder; 2001, as on line 3)",
                                   "parents.PAR:2 (urhelper), sons.PRO:2 (chick2)",
                                   "parents.PAR:3 (alder; 1 of 3)"});
  const std::string plain = lines({"sons.PRO:1 column 3", "parents.PAR:4 (2001, as on line 3)",
                                   "parents.PAR:2, sons.PRO:2", "parents.PAR:3 (1 of 3)"});
  const std::string shares =
      "parentsphere: table posteriors with --sampled-mothers 0.5 (default) and --sampled-fathers "
      "0.5 (default)\n";
  const struct {
    const char* args;
    int status;
    std::string err;
  } runs[] = {
      {"-r 2 --table t.tsv --names names.tsv", 0, named + shares},
      {"-r 2 --table t.tsv", 0, plain + shares},
      {"-r 2 --table t.tsv --names short.tsv", 1,
       plain + "parentsphere: names file short.tsv: no name for parent 1002\n"},
      {"-q -r 2 --table t.tsv --names names.tsv", 0, ""},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.args);
    const RunResult r = runParentsphere(files, "", run.args);
    EXPECT_EQ(r.status, run.status);
    EXPECT_EQ(r.stderrText, run.err);
    EXPECT_EQ(r.stdoutText, run.status == 0 ? "radius 2: reports in .\nDONE\n" : "");
  }
  // Hermaphrodites are named as the mothers they are first analysed as,
  // whatever their identifiers.
  const RunResult both = runParentsphere(
      {{"parents.PAR", "100 102 2001\n104 110 2002\n"},
       {"sons.PRO", "100 104\n"},
       {"names.tsv", "number\trole\tname\n2001\tmother\ta\n2002\tmother\tb\n1\toffspring\tk\n"}},
      "", "-q -r 2 --hermaphrodites --table t.tsv --names names.tsv");
  EXPECT_EQ(both.status, 0) << both.stderrText;
  EXPECT_EQ(both.stderrText, "");
}

}  // namespace
