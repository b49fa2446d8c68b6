// --markers and --summary through the real program: the reports, standard
// output and exit status stay those of the same run without them.
#include <gtest/gtest.h>

#include "input/data.h"
#include "input/table_checks.h"
#include "page/marker_outputs.h"
#include "run_fixture.h"
#include "test_support.h"
#include "tiny_population.h"

namespace {

const std::map<std::string, std::string> kTables = {{"parents.PAR", tiny::kParents},
                                                    {"sons.PRO", tiny::kSons}};
const char* const kReports[] = {"Parent.out", "Fam.out", "Famgenotypes.out"};
const std::string kMarkerOptions = " --markers m.tsv --summary s.html";

// One locus, typed in six of the seven individuals (offspring 2 is half typed):
// 12 allele copies, a_2 = 22/144, he = 6/5 (1 - a_2), f_null = (he - 1)/(1 + he).
const std::string kMarkerTable =
    "locus\talleles\ttyped\tho\the\tpic\texcl_1p\texcl_2p\texcl_pp\tf_null\tmismatch_rate\n"
    "1\t8\t6\t1.0000\t1.0167\t0.8296\t0.5296\t0.6959\t0.8656\t0.0083\t\n"
    "all\t8.00\t6.00\t1.0000\t1.0167\t0.8296\t0.5296\t0.6959\t0.8656\t0.0083\t\n";

std::string inFolder(const RunResult& run, const std::string& folder, const std::string& name) {
  return readFile(run.folder + "/" + folder + "/" + name);
}

TEST(MarkerOutputs, WrittenBesideUnchangedReports) {
  const struct {
    const char* args;
    const char* input;
    std::vector<std::string> folders;  // of the reports, one per radius
  } runs[] = {
      {"", "2\n", {"."}},
      {"-q -r 2", "", {"."}},
      {"-q -r 0,2 -o sweep", "", {"sweep/radius-0", "sweep/radius-2"}},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.args);
    const RunResult plain = runParentsphere(kTables, r.input, r.args);
    const RunResult marked = runParentsphere(kTables, r.input, r.args + kMarkerOptions);
    EXPECT_EQ(0, marked.status);
    EXPECT_EQ(plain.status, marked.status);
    EXPECT_EQ(plain.stdoutText, marked.stdoutText);
    EXPECT_EQ(plain.stderrText, marked.stderrText);
    for (const std::string& folder : r.folders) {
      for (const char* report : kReports) {
        EXPECT_EQ(inFolder(plain, folder, report), inFolder(marked, folder, report)) << report;
      }
    }
    EXPECT_EQ(kMarkerTable, marked.files.at("m.tsv"));
    const std::string& page = marked.files.at("s.html");
    EXPECT_NE(std::string::npos, page.find("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" id=\"exclusion\""));
    const std::string lastRadius = r.folders.size() > 1 ? "0" : "2";
    EXPECT_NE(std::string::npos, page.find("id=\"candidates-" + lastRadius + "\""));
    EXPECT_NE(std::string::npos, page.find("id=\"families-2\""));
    EXPECT_NE(std::string::npos, page.find("No ranked table was computed"));
  }
}

// The ranked table's confident mothers give the mismatch rates; its calls the
// delta and call charts.
TEST(MarkerOutputs, RankedResultsFillMismatchRatesAndCharts) {
  ScopedWorkdir dir;
  Data parents = Data::fromText(tiny::kParents, -99, "#");
  Data sons = Data::fromText(tiny::kSons, -99, "#");
  RankedResults ranked;
  ranked.minDelta = 2;
  ranked.calls = {{3.0, Call::Strict, std::nullopt, 1.0, Call::Ambiguous, false},
                  {},
                  {2.5, Call::Strict, std::nullopt, {}, std::nullopt, false}};
  // Offspring 1 shares 100 with mother row 0; offspring 2 is half typed (not
  // judged); offspring 3 shares nothing with mother row 1: one mismatch in two.
  ranked.confidentMothers = {0, 1, 1};
  const MarkerRequest request{"m.tsv", "s.html", {}, ""};
  EXPECT_TRUE(writeMarkerOutputs(request, checkTables(parents, sons, -99), {}, &ranked).empty());
  const std::string table = readFile("m.tsv");
  EXPECT_NE(std::string::npos, table.find("\t0.0083\t0.5000\nall\t")) << table;
  const std::string page = readFile("s.html");
  for (const char* id : {"id=\"mismatch\"", "id=\"deltas\"", "id=\"calls\""}) {
    EXPECT_NE(std::string::npos, page.find(id)) << id;
  }
  EXPECT_EQ(std::string::npos, page.find("No ranked table"));
}

// With --table the page shows the ranked table's deltas and calls; the reports
// and the table stay those of the run without marker options.
TEST(MarkerOutputs, ReadTheRankedTable) {
  const RunResult plain = runParentsphere(kTables, "", "-q -r 2 --table t.tsv");
  const RunResult run = runParentsphere(kTables, "", "-q -r 2 --table t.tsv" + kMarkerOptions);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(plain.stdoutText, run.stdoutText);
  for (const char* file : {"Parent.out", "Fam.out", "Famgenotypes.out", "t.tsv"}) {
    EXPECT_EQ(plain.files.at(file), run.files.at(file)) << file;
  }
  const std::string& page = run.files.at("s.html");
  EXPECT_NE(std::string::npos, page.find("id=\"deltas\""));
  EXPECT_NE(std::string::npos, page.find("id=\"calls\""));
  EXPECT_EQ(std::string::npos, page.find("No ranked table"));
}

// The page names the scope limit the table used: the default, auto or K.
TEST(MarkerOutputs, PageNamesTheScopeLimit) {
  const struct {
    const char* option;
    const char* shown;
  } cases[] = {
      {"", ">2 (default; auto&#39;s for offspring with a strict parent but no strict pair)<"},
      {" --max-mismatches auto", ">auto: from the loci typed in each offspring<"},
      {" --max-mismatches 2", ">2<"},
  };
  for (const auto& c : cases) {
    const RunResult run =
        runParentsphere(kTables, "", std::string("-q -r 2 --table t.tsv --summary s.html") + c.option);
    ASSERT_EQ(0, run.status) << c.option << run.stderrText;
    const std::string& page = run.files.at("s.html");
    const size_t row = page.find("(--max-mismatches)</th><td class=\"l\"");
    ASSERT_NE(std::string::npos, row) << c.option;
    EXPECT_EQ(page.find(c.shown, row), page.find('>', page.find("<td", row))) << c.option;
  }
}

TEST(MarkerOutputs, UnwritableFileFailsAfterTheReports) {
  const RunResult plain = runParentsphere(kTables, "2\n");
  const RunResult run = runParentsphere(kTables, "2\n", "--markers nowhere/m.tsv --summary s.html");
  EXPECT_EQ(1, run.status);
  EXPECT_EQ(tiny::kPrompt + "can not write nowhere/m.tsv output file\n", run.stdoutText);
  for (const char* report : kReports) EXPECT_EQ(plain.files.at(report), run.files.at(report));
  EXPECT_EQ(1u, run.files.count("s.html"));
}

TEST(MarkerOutputs, RefusedValuesTouchNothing) {
  const char* const refused[] = {
      "--summary s.txt",                              // not a page
      "--markers ''",                                 // no name
      "--markers sub/",                               // a folder
      "--markers parents.PAR",                        // an input table
      "--summary ./sons.PRO.html --offspring sons.PRO.html",
      "-r 2 --markers Fam.out",                       // a report
      "-r 2,4 -o sweep --markers sweep/radius-4/Parent.out",
      "--markers p.html --summary ./p.html",          // one file twice
      "--markers link --summary s.html",              // a link to a table
  };
  for (const char* args : refused) {
    SCOPED_TRACE(args);
    const RunResult run = runParentsphere(kTables, "2\n", args, "ln -s parents.PAR link");
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("", run.stdoutText);
    EXPECT_EQ(0u, run.stderrText.rfind("parentsphere: ", 0)) << run.stderrText;
    EXPECT_EQ(3u, run.files.size()) << "only the two tables and the link";
  }
}

}  // namespace
