// The ranked table written beside the reports on the hand-worked tiny
// population: the table text, and the three reports unchanged.
#include <gtest/gtest.h>

#include "app/analysis_run.h"
#include "app/table_run.h"
#include "input/table_checks.h"
#include "status/run_failure.h"
#include "run_fixture.h"
#include "test_support.h"
#include "tiny_population.h"

namespace {

// One locus; frequencies counted over the six individuals typed there (son
// 2's half-typed locus takes no part): f(100) = 2/12, f(104) = 3/12.
// Son 1 (100,104): mother 1001 (100,102) ln(e + (1-e) / 4f(100)) = ln 1.49,
// mother 1002 and father 2001 ratio 1, father 2002 a mismatch, ln e; pair
// 1001 x 2001 ln(((1-e)/2 + e f(100)) ((1-e)/2 + e f(104)) + e f(104) e f(100))
// / 2 f(100) f(104)) = ln 2.9306. Son 2: nothing typed, every LOD 0, ties
// to the first row. Son 3 (150,160): every parent a mismatch, ln e, ln e^2.
// Deltas are over the runner-up or an unsampled parent (LOD 0). Posteriors
// with half the parents sampled (prior 1/4 for each of two candidates, 1/2
// for none): mother 1001 0.25 * 1.49 / (0.25 * 2.49 + 0.5) = 0.3318; father
// 2001 0.25 / (0.25 * 1.02 + 0.5) = 0.3311; the pair 1/16 * 2.9306 over
// 1/16 * (the four trio ratios, 3.0200) + 1/8 * (1.49 + 1) + 1/8 * 1.02 + 1/4:
// 0.2087.
const std::string kHeader =
    "offspring\tloci_typed\tmothers_scored\tfathers_scored\tmother\tmother_lod\tmother_delta\t"
    "mother_mismatches\tmother_near\tmother_in_sphere\tmother_call\tfather\tfather_lod\t"
    "father_delta\tfather_mismatches\tfather_near\tfather_in_sphere\tfather_call\tpair_mother\t"
    "pair_father\tpair_lod\tpair_delta\tpair_mismatches\tpair_call\tpair_in_fam\tfamilies\t"
    "mother_posterior\tmother_runner_up\tfather_posterior\tfather_runner_up\tpair_posterior\t"
    "pair_runner_up_mother\tpair_runner_up_father\tmax_mismatches\n";
const std::string kSon3 =
    "\t1\t2\t2\t1001\t-3.912\t-3.912\t1\t48\tno\tunlikely\t2001\t-3.912\t-3.912\t1\t46\tno\t"
    "unlikely\t1001\t2001\t-7.824\t-7.824\t1\tunlikely\tno\t0\t0.0098\t1002\t0.0098\t2002\t"
    "0.0001\t1001\t2002\t2\n";

// The table of the tiny population with the default options.
const std::string kRows =
    "1\t1\t2\t2\t1001\t0.399\t0.399\t0\t0\tyes\tambiguous\t2001\t0.000\t0.000\t0\t0\tyes\t"
    "unlikely\t1001\t2001\t1.075\t1.075\t0\tambiguous\tyes\t3\t0.3318\t1002\t0.3311\t2002\t"
    "0.2087\t1002\t2001\t2\n"
    "2\t0\t2\t2\t1001\t0.000\t0.000\t0\t0\tyes\tunlikely\t2001\t0.000\t0.000\t0\t0\tyes\t"
    "unlikely\t1001\t2001\t0.000\t0.000\t0\tunlikely\tno\t2\t0.2500\t1002\t0.2500\t2002\t0.0625\t"
    "1001\t2002\t2\n"
    "3" + kSon3;

// Runs the tiny population at radius 2 with `options` (table.tsv) and the
// `extra` files; returns the table and fills `reports`.
std::string runTiny(TableOptions options, const std::map<std::string, std::string>& extra,
                    std::map<std::string, std::string>* reports) {
  ScopedWorkdir dir;
  writeFile("parents.PAR", tiny::kParents);
  writeFile("sons.PRO", tiny::kSons);
  for (const auto& file : extra) writeFile(file.first, file.second);
  const MissingCode code(-99);
  Data parents("parents.PAR", -99, "#");
  Data sons("sons.PRO", -99, "#");
  options.table = "table.tsv";
  TableRun table(options, nullptr, nullptr, nullptr, 1);
  const std::vector<std::string> unwritten =
      runRadius(checkTables(parents, sons, -99), {2, ".", 1, 0}, {nullptr, nullptr, &table});
  EXPECT_TRUE(unwritten.empty());
  for (const auto& report : tiny::kReports) (*reports)[report.first] = readFile(report.first);
  return readFile("table.tsv");
}

TEST(RankedTable, TinyPopulationWithAndWithoutOptions) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> files;
    std::string rows;
  };
  const std::string names =
      "number\trole\tname\n1001\tmother\tAda\n1002\tmother\tBo\n2001\tfather\tCy\n"
      "2002\tfather\tDan\n1\toffspring\tk1\n2\toffspring\tk2\n3\toffspring\tk3\n";
  const Case cases[] = {
      {"counted frequencies", {}, kRows},
      // Son 2's mother known: she is shown, called "known"; her pair is a
      // family, its posterior the father's given her (0.25 / (0.25 * 2 + 0.5)).
      {"known mother", {{"known", "2 1002\n"}},
       "1\t1\t2\t2\t1001\t0.399\t0.399\t0\t0\tyes\tambiguous\t2001\t0.000\t0.000\t0\t0\tyes\t"
       "unlikely\t1001\t2001\t1.075\t1.075\t0\tambiguous\tyes\t3\t0.3318\t1002\t0.3311\t2002\t"
       "0.2087\t1002\t2001\t2\n"
       "2\t0\t2\t2\t1002\t0.000\t0.000\t0\t0\tyes\tknown\t2001\t0.000\t0.000\t0\t0\tyes\t"
       "unlikely\t1002\t2001\t0.000\t0.000\t0\tunlikely\tyes\t2\t0.2500\t1001\t0.2500\t2002\t"
       "0.2500\t1002\t2002\t2\n"
       "3" + kSon3},
      // f(100) = 0.5, f(104) = 0.25 from the file: mother 1001 ln(e + (1-e)/2)
      // = ln 0.51 now ranks below 1002 (ratio 1); pair 1001 x 2001 ln 0.9902,
      // runner-up 1002 x 2001 ln(2 e f(104) ((1-e)/2 + e f(104)) / 2 f(100) f(104)),
      // below 0: the deltas are over an unsampled parent.
      {"names and given frequencies", {{"names", names}, {"freq", "1 100 0.5\n1 104 0.25\n"}},
       "k1\t1\t2\t2\tBo\t0.000\t0.000\t0\t0\tyes\tunlikely\tCy\t0.000\t0.000\t0\t0\tyes\t"
       "unlikely\tAda\tCy\t-0.010\t-0.010\t0\tunlikely\tyes\t3\t0.2849\tAda\t0.3311\tDan\t"
       "0.0978\tBo\tCy\t2\n"},
  };
  for (const Case& c : cases) {
    TableOptions options;
    if (c.files.count("known")) options.knownMothers = "known";
    if (c.files.count("names")) options.names = "names";
    if (c.files.count("freq")) options.frequencies = "freq";
    std::map<std::string, std::string> reports;
    const std::string table = runTiny(options, c.files, &reports);
    EXPECT_EQ(reports, tiny::kReports) << c.what;
    EXPECT_EQ(table.substr(0, kHeader.size() + c.rows.size()), kHeader + c.rows) << c.what;
  }
}

TEST(RankedTable, BadOptionFilesStopBeforeAnyFileIsWritten) {
  const std::pair<std::string, std::string> cases[] = {
      {"known", "known mothers file known, line 1: offspring '4' is not a number from 1 to 3"},
  };
  for (const auto& [table, message] : cases) {
    ScopedWorkdir dir;
    writeFile("parents.PAR", tiny::kParents);
    writeFile("sons.PRO", tiny::kSons);
    writeFile("known", "4 1001\n");
    const MissingCode code(-99);
    Data parents("parents.PAR", -99, "#");
    Data sons("sons.PRO", -99, "#");
    TableOptions options;
    options.table = table;
    if (table == "known") {
      options.table = "table.tsv";
      options.knownMothers = "known";
    }
    try {
      TableRun run(options, nullptr, nullptr, nullptr, 1);
      runRadius(checkTables(parents, sons, -99), {2, ".", 1, 0}, {nullptr, nullptr, &run});
      ADD_FAILURE() << table << ": no failure";
    } catch (const RunFailure& failure) {
      EXPECT_STREQ(failure.what(), "");
      EXPECT_EQ(failure.detail(), "parentsphere: " + message);
    }
    EXPECT_FALSE(std::filesystem::exists("Parent.out")) << table;
    EXPECT_FALSE(std::filesystem::exists("table.tsv")) << table;
    EXPECT_EQ(readFile("sons.PRO"), tiny::kSons);
  }
}

// The real program (quiet: son 2 is warned about): the table with --radius
// and with the prompt, the reports and standard output as without it; bad
// option files and arguments.
TEST(RankedTable, ThroughTheProgram) {
  const std::map<std::string, std::string> inputs = {{"parents.PAR", tiny::kParents},
                                                     {"sons.PRO", tiny::kSons}};
  const struct {
    const char* args;
    std::string input;
    std::string out;
  } runs[] = {{"-q -r 2 --table table.tsv", "", "radius 2: reports in .\nDONE\n"},
              {"-q --table table.tsv", tiny::kRadius, tiny::kPrompt + tiny::kDone}};
  for (const auto& run : runs) {
    const RunResult r = runParentsphere(inputs, run.input, run.args);
    EXPECT_EQ(r.status, 0) << run.args;
    EXPECT_EQ(r.stdoutText, run.out) << run.args;
    EXPECT_EQ(r.stderrText, "") << run.args;
    std::map<std::string, std::string> expected = tiny::kReports;
    expected.insert(inputs.begin(), inputs.end());
    expected["table.tsv"] = kHeader + kRows;
    EXPECT_EQ(r.files, expected) << run.args;
  }
  const struct {
    const char* args;
    int status;
    std::string err;
  } failures[] = {
      {"-q -r 2 --table t.tsv --known-mothers k", 1,
       "parentsphere: known mothers file k, line 1: mother '1001x' is not a whole number\n"},
      {"-q -r 2 --table t.tsv --frequencies absent", 1,
       "parentsphere: can not read frequencies file absent\n"},
      {"-q -r 2 --table sons.PRO", 2,
       "parentsphere: --offspring 'sons.PRO' and --table 'sons.PRO' name the same file; "},
      {"-q -r 2 --known-mothers k", 2, "parentsphere: --known-mothers needs --table; "},
      {"-q -r 2,4 --table t.tsv", 2, "parentsphere: --table takes a single radius; "},
      {"-q -r 2 --table t.tsv --error-rate 0.7", 2,
       "parentsphere: --error-rate: '0.7' is not a number from 0.000001 to 0.5; "},
      {"-q -r 2 --table t.tsv --max-mismatches 1.5", 2,
       "parentsphere: --max-mismatches: '1.5' is not a whole number from 0 to 2147483647 or 'auto'; "},
      {"-q -r 2 --table t.tsv --min-delta inf", 2, "parentsphere: --min-delta: 'inf' is not a number from 0; "},
      {"-q -r 2 --table t.tsv --sampled-mothers 0", 2,
       "parentsphere: --sampled-mothers: '0' is not a number above 0 and at most 1; "},
      {"-q -r 2 --table t.tsv --sampled-fathers 1.01", 2,
       "parentsphere: --sampled-fathers: '1.01' is not a number above 0 and at most 1; "},
      {"-q -r 2 --table t.tsv --sampled-fathers nan", 2,
       "parentsphere: --sampled-fathers: 'nan' is not a number above 0 and at most 1; "},
      {"-q -r 2 --sampled-mothers 0.5", 2, "parentsphere: --sampled-mothers needs --table; "},
  };
  // Without -q the run names the sampled shares it assumed, unless both were
  // given.
  const std::pair<const char*, std::string> notes[] = {
      {"-r 2 --table table.tsv",
       "parentsphere: table posteriors with --sampled-mothers 0.5 (default) and "
       "--sampled-fathers 0.5 (default)\n"},
      {"-r 2 --table table.tsv --sampled-mothers 0.3",
       "parentsphere: table posteriors with --sampled-mothers 0.3 and --sampled-fathers 0.5 "
       "(default)\n"},
      {"-r 2 --table table.tsv --sampled-mothers 0.3 --sampled-fathers 1", ""},
  };
  for (const auto& [args, note] : notes) {
    const RunResult r = runParentsphere(inputs, "", args);
    EXPECT_EQ(r.status, 0) << args;
    const size_t at = r.stderrText.find("parentsphere: table posteriors");
    EXPECT_EQ(at == std::string::npos ? "" : r.stderrText.substr(at), note) << args;
  }
  std::map<std::string, std::string> files = inputs;
  files["k"] = "1 1001x\n";
  for (const auto& f : failures) {
    const RunResult r = runParentsphere(files, "", f.args);
    EXPECT_EQ(r.status, f.status) << f.args;
    EXPECT_EQ(r.stdoutText, "") << f.args;
    EXPECT_EQ(r.stderrText.substr(0, f.err.size()), f.err) << f.args;
    EXPECT_EQ(r.files, files) << f.args << ": nothing written";
  }
}

}  // namespace

// A link named like the table is replaced by the table, never written
// through, and no temporary is left beside it.
TEST(RankedTable, ReplacesALinkInsteadOfWritingThroughIt) {
  const RunResult r = runParentsphere(
      {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}, {"victim", "keep me\n"}}, "",
      "-q -r 2 --table table.tsv", "ln -s victim table.tsv");
  EXPECT_EQ(r.status, 0) << r.stderrText;
  EXPECT_EQ(r.files.at("victim"), "keep me\n");
  EXPECT_EQ(r.files.at("table.tsv"), kHeader + kRows);
  EXPECT_EQ(r.files.size(), 7u);  // two inputs, three reports, the victim, the table
}
