// The study designs the ranked table takes in, through the real program on
// the hand-worked tiny population: known mothers by name, per-locus error
// rates, candidate groups and exclusions. The three reports never change.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const std::string kNames =
    "number\trole\tname\n1001\tmother\tAda\n1002\tmother\tBo\n2001\tfather\tCy\n"
    "2002\tfather\tDan\n1\toffspring\tk1\n2\toffspring\tk2\n3\toffspring\tk3\n";

// The files of one run: the tiny population, the names and `extra` (which
// may replace them).
std::map<std::string, std::string> inputs(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> files = {{"parents.PAR", tiny::kParents},
                                              {"sons.PRO", tiny::kSons},
                                              {"names.tsv", kNames}};
  for (const auto& [name, content] : extra) files[name] = content;
  return files;
}

// Runs with the table and `args`; expects success and the usual reports;
// returns the table.
std::string tableOf(const std::map<std::string, std::string>& extra, const std::string& args) {
  const RunResult r = runParentsphere(inputs(extra), "", "-q -r 2 --table t.tsv " + args);
  EXPECT_EQ(r.status, 0) << args << ": " << r.stderrText;
  for (const auto& report : tiny::kReports) EXPECT_EQ(r.files.at(report.first), report.second) << args;
  return r.files.count("t.tsv") ? r.files.at("t.tsv") : "";
}

TEST(TableDesigns, KnownMothersByNameOrNumberGiveOneTable) {
  const std::string byNumber = tableOf({{"k", "2 1002\n3 1001\n"}}, "--names names.tsv --known-mothers k");
  const std::string variants[] = {"k2\tBo\nk3\tAda\n", "k2 1002\n3\tAda\n", "# by name\nk2 Bo\n3 1001\n"};
  for (const std::string& known : variants) {
    EXPECT_EQ(tableOf({{"k", known}}, "--names names.tsv --known-mothers k"), byNumber) << known;
  }
  EXPECT_NE(byNumber.find("\nk2\t0\t2\t2\tBo\t"), std::string::npos) << byNumber;
  const RunResult r = runParentsphere(inputs({{"k", "k2 Ba\n"}}), "",
                                      "-q -r 2 --table t.tsv --names names.tsv --known-mothers k");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.stderrText,
            "parentsphere: known mothers file k, line 1: mother 'Ba' is neither a name in the "
            "names file nor a whole number (closest mother's name: 'Bo')\n");
  EXPECT_EQ(r.files.count("Parent.out"), 0u);
}

// Son 1 (100,104) has mothers 1001 (LOD 0.399) and 1002 (LOD 0): groups that
// keep 1001 from it, or an exclusion of that pair, leave 1002 alone.
TEST(TableDesigns, GroupsAndExclusionsBoundTheTableOnly) {
  const std::string plain = tableOf({}, "");
  const std::string header = "number\trole\tgroup\n";
  EXPECT_EQ(tableOf({{"g", header + "1001\tmother\tall\n1\toffspring\tall\n2\toffspring\tall\n"}},
                    "--groups g"),
            plain);
  const std::string bounded = "1\t1\t1\t2\t1002\t0.000\t0.000\t";
  const struct {
    std::map<std::string, std::string> files;
    const char* args;
  } runs[] = {
      {{{"g", header + "1\toffspring\tA\n1002\tmother\tA\n1001\tmother\tB\n"}}, "--groups g"},
      {{{"g", "name\trole\tgroup\nk1\toffspring\tA\nBo\tmother\tA\nAda\tmother\tB\n"}},
       "--groups g --names names.tsv"},
      {{{"x", "1 1001\n"}}, "--exclude x"},
  };
  const std::string expected = tableOf(runs[0].files, runs[0].args);
  EXPECT_EQ(expected.substr(expected.find('\n') + 1, bounded.size()), bounded);
  EXPECT_NE(expected, plain);
  EXPECT_EQ(tableOf(runs[2].files, runs[2].args), expected);
  EXPECT_EQ(tableOf(runs[1].files, runs[1].args), tableOf(runs[0].files, "--groups g --names names.tsv"));
  const RunResult warned =
      runParentsphere(inputs(runs[0].files), "", "-r 2 --table t.tsv --groups g");
  EXPECT_NE(warned.stderrText.find("parentsphere: warning: groups file g: 2 parents without a group "
                                   "are candidates of every offspring; 2 offspring without a group "
                                   "keep every candidate\n"),
            std::string::npos)
      << warned.stderrText;
}

TEST(TableDesigns, ErrorRateFileAndItsMistakes) {
  const std::string plain = tableOf({}, "");
  EXPECT_EQ(tableOf({{"e", "1\t0.02\n"}}, "--error-rate e"), plain);
  EXPECT_EQ(tableOf({{"e", "default\t0.02\n"}}, "--error-rate e"), plain);
  EXPECT_EQ(tableOf({{"e", "1\t0.1\n"}}, "--error-rate e"), tableOf({}, "--error-rate 0.1"));
  EXPECT_NE(tableOf({{"e", "1\t0.1\n"}}, "--error-rate e"), plain);
  std::map<std::string, std::string> named = {{"e", "Mx1\t0.1\n"}};
  named["parents.PAR"] = "# loci\tMx1\n" + tiny::kParents;
  EXPECT_EQ(tableOf(named, "--error-rate e"), tableOf({}, "--error-rate 0.1"));
  const struct {
    const char* args;
    int status;
    std::string err;
  } failures[] = {
      {"--error-rate e", 1, "parentsphere: error rates file e, line 1: locus '2' is not a number from 1 to 1\n"},
      {"--error-rate absent", 1, "parentsphere: can not read error rates file absent\n"},
      {"--error-rate 0.6", 2, "parentsphere: --error-rate: '0.6' is not a number from 0.000001 to 0.5; "},
      {"--error-rate 1e", 2, "parentsphere: --error-rate: '1e' is not a number from 0.000001 to 0.5; "},
      {"--groups absent", 1, "parentsphere: can not read groups file absent\n"},
  };
  for (const auto& f : failures) {
    const RunResult r = runParentsphere(inputs({{"e", "2\t0.1\n"}}), "", std::string("-q -r 2 --table t.tsv ") + f.args);
    EXPECT_EQ(r.status, f.status) << f.args;
    EXPECT_EQ(r.stderrText.substr(0, f.err.size()), f.err) << f.args;
    EXPECT_EQ(r.files.count("Parent.out"), 0u) << f.args;
  }
  const RunResult r = runParentsphere(inputs({}), "", "-q -r 2 --groups g");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.stderrText.substr(0, 37), "parentsphere: --groups needs --table;");
}

// Names from the tables' "# loci" line or --locus-names label the marker
// table and the summary page; without them the loci stay numbered.
TEST(TableDesigns, LocusNamesLabelTheMarkerTable) {
  const std::string named = "# loci\tMx1\n" + tiny::kParents;
  const struct {
    std::map<std::string, std::string> files;
    const char* args;
    std::string firstCell;
  } runs[] = {
      {{}, "", "1\t"},
      {{{"parents.PAR", named}}, "", "Mx1\t"},
      {{{"sons.PRO", "# loci\tS1\n" + tiny::kSons}}, "", "S1\t"},
      {{{"parents.PAR", named}, {"ln", "# one a line\nAlpha <1>\n"}}, "--locus-names ln", "Alpha <1>\t"},
      {{{"parents.PAR", "# loci\tA\tB\n" + tiny::kParents}}, "", "1\t"},  // two names, one locus
  };
  for (const auto& run : runs) {
    const RunResult r = runParentsphere(inputs(run.files), "",
                                        std::string("-q -r 2 --markers m.tsv --summary s.html ") + run.args);
    ASSERT_EQ(r.status, 0) << run.args << r.stderrText;
    for (const auto& report : tiny::kReports) EXPECT_EQ(r.files.at(report.first), report.second);
    const std::string& table = r.files.at("m.tsv");
    EXPECT_EQ(table.substr(table.find('\n') + 1, run.firstCell.size()), run.firstCell) << run.args;
    if (run.firstCell == "Alpha <1>\t") {
      EXPECT_NE(r.files.at("s.html").find(">Alpha &lt;1&gt;<"), std::string::npos);
    }
  }
  const struct {
    const char* args;
    int status;
    std::string err;
  } failures[] = {
      {"--markers m.tsv --locus-names ln", 1, "parentsphere: locus names file ln: 2 names for 1 loci\n"},
      {"--locus-names ln", 2, "parentsphere: --locus-names needs --table, --markers or --summary; "},
  };
  for (const auto& f : failures) {
    const RunResult r = runParentsphere(inputs({{"ln", "A\nB\n"}}), "", std::string("-q -r 2 ") + f.args);
    EXPECT_EQ(r.status, f.status) << f.args;
    EXPECT_EQ(r.stderrText.substr(0, f.err.size()), f.err) << f.args;
    EXPECT_EQ(r.files.count("Parent.out"), 0u) << f.args;
  }
}

// Son 1's mothers 1001 (LOD 0.399) and 1002 (0), fathers 2001 (0) and 2002 (a
// mismatch, ln e, near 2); son 2 is untyped (ties to the first rows).
TEST(TableDesigns, ShortListOfTheBestCandidates) {
  const struct {
    const char* args;
    std::string rows;  // the start of the list after its header
  } runs[] = {
      {"--top 2",
       "1\tmother\t1001\t0.399\t0\t0\tyes\t1\n1\tmother\t1002\t0.000\t0\t0\tyes\t2\n"
       "1\tfather\t2001\t0.000\t0\t0\tyes\t1\n1\tfather\t2002\t-3.912\t1\t2\tyes\t2\n"
       "2\tmother\t1001\t0.000\t0\t0\tyes\t1\n"},
      {"--top 1",
       "1\tmother\t1001\t0.399\t0\t0\tyes\t1\n1\tfather\t2001\t0.000\t0\t0\tyes\t1\n"
       "2\tmother\t1001\t0.000\t0\t0\tyes\t1\n2\tfather\t2001\t0.000\t0\t0\tyes\t1\n3\tmother\t"},
      {"--names names.tsv --top 1", "k1\tmother\tAda\t0.399\t0\t0\tyes\t1\nk1\tfather\tCy\t"},
      {"--exclude x --top 1", "1\tmother\t1002\t0.000\t0\t0\tyes\t1\n"},
  };
  const std::string header = "offspring\trole\tcandidate\tlod\tmismatches\tnear\tin_sphere\trank\n";
  const std::string plain = tableOf({}, "");
  for (const auto& run : runs) {
    const RunResult r = runParentsphere(inputs({{"x", "1 1001\n"}}), "",
                                        std::string("-q -r 2 --table t.tsv --candidates c.tsv ") + run.args);
    ASSERT_EQ(r.status, 0) << run.args << r.stderrText;
    EXPECT_EQ(r.files.at("c.tsv").substr(0, header.size() + run.rows.size()), header + run.rows) << run.args;
    if (std::string(run.args) == "--top 2") {
      EXPECT_EQ(r.files.at("t.tsv"), plain) << "the table is unchanged";
    }
    for (const auto& report : tiny::kReports) EXPECT_EQ(r.files.at(report.first), report.second);
  }
  // The best of each role is the table's mother and father, cell for cell.
  const RunResult r = runParentsphere(inputs({}), "", "-q -r 2 --table t.tsv --candidates c.tsv --top 1");
  std::istringstream table(r.files.at("t.tsv"));
  std::istringstream list(r.files.at("c.tsv"));
  std::string row, mother, father;
  std::getline(table, row);
  std::getline(list, mother);
  while (std::getline(table, row) && std::getline(list, mother) && std::getline(list, father)) {
    std::vector<std::string> cells;
    std::istringstream split(row);
    for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
    EXPECT_EQ(mother, cells[0] + "\tmother\t" + cells[4] + "\t" + cells[5] + "\t" + cells[7] + "\t" +
                          cells[8] + "\t" + cells[9] + "\t1");
    EXPECT_EQ(father, cells[0] + "\tfather\t" + cells[11] + "\t" + cells[12] + "\t" + cells[14] + "\t" +
                          cells[15] + "\t" + cells[16] + "\t1");
  }
  const struct {
    const char* args;
    std::string err;
  } failures[] = {
      {"--table t.tsv --candidates c.tsv --top 0", "parentsphere: --top: '0' is not a whole number from 1 to 1000000; "},
      {"--table t.tsv --top 3", "parentsphere: --top needs --candidates; "},
      {"--candidates c.tsv", "parentsphere: --candidates needs --table; "},
  };
  for (const auto& f : failures) {
    const RunResult bad = runParentsphere(inputs({}), "", std::string("-q -r 2 ") + f.args);
    EXPECT_EQ(bad.status, 2) << f.args;
    EXPECT_EQ(bad.stderrText.substr(0, f.err.size()), f.err) << f.args;
  }
}

// Three plants and two seeds: seed 1 carries only plant 1's alleles (a self),
// seed 2 one allele of plant 1 and one of plant 2 at each locus.
const std::string kPlants = "100 102 200 202 1\n104 106 204 206 2\n108 110 208 210 3\n";
const std::string kSeeds = "100 102 200 202\n100 104 200 204\n";

std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  std::istringstream split(line);
  for (std::string cell; std::getline(split, cell, '\t');) cells.push_back(cell);
  return cells;
}

TEST(TableDesigns, HermaphroditesPairsOnceSelfsAndBothRoles) {
  const std::map<std::string, std::string> plants = {{"parents.PAR", kPlants}, {"sons.PRO", kSeeds}};
  const auto table = [&plants](const std::string& args, std::map<std::string, std::string>* files) {
    std::map<std::string, std::string> in = plants;
    in["f"] =  // each plant and seed counted once: 10 copies per locus
        "1 100 0.3\n1 102 0.2\n1 104 0.2\n1 106 0.1\n1 108 0.1\n1 110 0.1\n"
        "2 200 0.3\n2 202 0.2\n2 204 0.2\n2 206 0.1\n2 208 0.1\n2 210 0.1\n";
    in["x"] = "2 1\n";
    const RunResult r = runParentsphere(in, "", "-q -r 0 --hermaphrodites --table t.tsv " + args);
    EXPECT_EQ(r.status, 0) << args << r.stderrText;
    if (files != nullptr) *files = r.files;
    return r.files.count("t.tsv") ? r.files.at("t.tsv") : "";
  };
  std::map<std::string, std::string> files;
  const std::string selfing = table("", &files);
  EXPECT_EQ(table("--frequencies f", nullptr), selfing) << "frequencies count each plant once";
  std::istringstream lines(selfing);
  std::string header, seed1, seed2;
  std::getline(lines, header);
  std::getline(lines, seed1);
  std::getline(lines, seed2);
  const std::vector<std::string> columns = cellsOf(header);
  EXPECT_EQ(columns.back(), "self");
  const auto column = [&columns](const std::string& name) {
    return static_cast<size_t>(std::find(columns.begin(), columns.end(), name) - columns.begin());
  };
  const struct {
    std::string row;
    const char* mother;
    const char* father;
    const char* self;
  } expected[] = {{seed1, "1", "1", "yes"}, {seed2, "1", "2", "no"}};
  for (const auto& e : expected) {
    const std::vector<std::string> cells = cellsOf(e.row);
    ASSERT_EQ(cells.size(), columns.size()) << e.row;
    EXPECT_EQ(cells[column("pair_mother")], e.mother) << e.row;
    EXPECT_EQ(cells[column("pair_father")], e.father) << e.row;
    EXPECT_EQ(cells.back(), e.self) << e.row;
    EXPECT_GT(std::stod(cells[column("pair_delta")]), 0.0) << e.row;
    // The runner-up pair is another pair, never the best one the other way round.
    EXPECT_FALSE(cells[column("pair_runner_up_mother")] == e.father &&
                 cells[column("pair_runner_up_father")] == e.mother)
        << e.row;
  }
  // Plant 1 ruled out for seed 2 is gone from both of its roles.
  std::istringstream excluded(table("--exclude x", nullptr));
  std::getline(excluded, header);
  std::getline(excluded, seed1);
  std::getline(excluded, seed2);
  const std::vector<std::string> cells = cellsOf(seed2);
  EXPECT_NE(cells[column("pair_mother")], "1") << seed2;
  EXPECT_NE(cells[column("pair_father")], "1") << seed2;
  EXPECT_EQ(cells[column("mothers_scored")], "2") << seed2;
  EXPECT_EQ(cells[column("fathers_scored")], "2") << seed2;
  // Without selfing, seed 1's best pair is an outcross.
  std::istringstream outcross(table("--no-selfing", nullptr));
  std::getline(outcross, header);
  std::getline(outcross, seed1);
  EXPECT_EQ(cellsOf(seed1).back(), "no");
  // Each plant in both roles: every candidate line of Parent.out names the
  // same plant as a mother and as a father; Fam.out lists seed 2's pair both
  // ways round and seed 1's self.
  std::istringstream parents(files.at("Parent.out"));
  int candidateLines = 0;
  for (std::string line; std::getline(parents, line);) {
    const size_t open = line.find('(');
    if (open == std::string::npos || line.find("Radius") == 0) continue;
    const std::vector<std::string> cells = cellsOf(line);
    EXPECT_EQ(cells.back(), cells[cells.size() - 3]) << line;
    ++candidateLines;
  }
  EXPECT_GT(candidateLines, 0);
  const std::string& fam = files.at("Fam.out");
  EXPECT_NE(fam.find("1\t\t1\t\t1\n"), std::string::npos) << fam;
  EXPECT_NE(fam.find("\t\t1\t\t2\n"), std::string::npos) << fam;
  EXPECT_NE(fam.find("\t\t2\t\t1\n"), std::string::npos) << fam;
  // Plants numbered across 2000 take no role from their identifiers.
  const RunResult crossing = runParentsphere(
      {{"parents.PAR", "100 102 200 202 2001\n104 106 204 206 2\n"}, {"sons.PRO", kSeeds}}, "",
      "-r 0 --hermaphrodites");
  EXPECT_EQ(crossing.status, 0);
  EXPECT_EQ(crossing.stderrText, "");
  const RunResult bad = runParentsphere(plants, "", "-q -r 0 --no-selfing");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.stderrText.substr(0, 51), "parentsphere: --no-selfing needs --hermaphrodites; ");
}

}  // namespace
