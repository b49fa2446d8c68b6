// The files the ranked table reads: frequencies, known mothers, names. Each
// problem stops the run with a message naming the file and the line.
#include <gtest/gtest.h>

#include "input/data.h"
#include "ranking/candidate_files.h"
#include "ranking/closest_name.h"
#include "ranking/error_rate_file.h"
#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"
#include "ranking/locus_names.h"
#include "ranking/names_file.h"
#include "status/run_failure.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

// Two loci; mothers 1 and 5, father 2000; three offspring.
const std::string kParents = "100 102 104 104 1\n100 104 104 106 5\n102 102 106 106 2000\n";
const std::string kSons = "100 102 104 104\n100 100 106 106\n-99 -99 104 104\n";

struct Tables {
  Data parents = Data::fromText(kParents, -99, "#");
  Data sons = Data::fromText(kSons, -99, "#");
  GenotypeTables view{parents.rows, sons.rows, 2, 2, -99};
};

// What `read` says on a file holding `content` (standard output, then standard
// error), or "" when it passes.
template <typename Read>
std::string failureOf(const std::string& content, Read read) {
  ScopedWorkdir dir;
  writeFile("in.txt", content);
  try {
    read("in.txt");
  } catch (const RunFailure& failure) {
    return failure.what() + failure.detail();
  }
  return "";
}

TEST(FrequencyFile, ReadsAndFloors) {
  ScopedWorkdir dir;
  writeFile("f.txt", "# locus allele frequency\n1 100 0.25\n1\t102 0.75\r\n\n2 104 0.0001\n");
  const AlleleFrequencies f = readFrequencyFile("f.txt", 2);
  EXPECT_EQ(f.of(0, 100), 0.25);
  EXPECT_EQ(f.of(0, 102), 0.75);
  EXPECT_EQ(f.of(0, 104), kFrequencyFloor);  // not listed
  EXPECT_EQ(f.of(1, 104), kFrequencyFloor);  // below the floor
}

TEST(FrequencyFile, LocatedErrors) {
  const std::pair<std::string, std::string> cases[] = {
      {"1 100\n", ", line 1: expected three fields: locus allele frequency"},
      {"1 100 0.5\n3 100 0.5\n", ", line 2: locus '3' is not a number from 1 to 2"},
      {"0 100 0.5\n", ", line 1: locus '0' is not a number from 1 to 2"},
      {"1 1x0 0.5\n", ", line 1: allele '1x0' is not a whole number"},
      {"1 100 0\n", ", line 1: frequency '0' is not a number above 0 and at most 1"},
      {"1 100 1.5\n", ", line 1: frequency '1.5' is not a number above 0 and at most 1"},
      {"1 100 nan\n", ", line 1: frequency 'nan' is not a number above 0 and at most 1"},
      {"1 100 0.5\n1 100 0.2\n", ", line 2: allele 100 of locus 1 is listed twice"},
      {"1 100 0.6\n1 102 0.6\n", ", line 2: the frequencies of locus 1 add up to more than 1"},
      {"1 100 1\n", ": locus 2 has no frequencies"},
  };
  for (const auto& [content, message] : cases) {
    EXPECT_EQ(failureOf(content, [](const std::string& p) { readFrequencyFile(p, 2); }),
              "parentsphere: frequencies file in.txt" + message)
        << content;
  }
  EXPECT_EQ(failureOf("", [](const std::string&) { readFrequencyFile("absent.txt", 2); }),
            "parentsphere: can not read frequencies file absent.txt");
}

TEST(KnownMothers, ReadsRowsAndLocatedErrors) {
  const Tables t;
  ScopedWorkdir dir;
  writeFile("k.txt", "# offspring mother\n3 5\n1 1\n");
  EXPECT_EQ(readKnownMothers("k.txt", t.view), (std::vector<int32_t>{0, -1, 1}));
  const std::pair<std::string, std::string> cases[] = {
      {"1\n", "line 1: expected two fields: offspring mother"},
      {"4 1\n", "line 1: offspring '4' is not a number from 1 to 3"},
      {"1 x\n", "line 1: mother 'x' is not a whole number"},
      {"1 2000\n", "line 1: no mother has the identifier 2000 in the parents table"},
      {"1 1\n\n1 5\n", "line 3: offspring 1 is listed twice"},
  };
  for (const auto& [content, message] : cases) {
    EXPECT_EQ(failureOf(content, [&t](const std::string& p) { readKnownMothers(p, t.view); }),
              "parentsphere: known mothers file in.txt, " + message)
        << content;
  }
}

TEST(NameBook, ReadsTheConverterFileAndLocatedErrors) {
  const Tables t;
  const std::string header = "number\trole\tname\n";
  const std::string all = "1\tmother\tAnna B\n5\tmother\tBea\n2000\tfather\tCarl\n"
                          "1\toffspring\tx1\n2\toffspring\tx2\n3\toffspring\tx3\n";
  ScopedWorkdir dir;
  writeFile("n.tsv", header + all);
  const NameBook names("n.tsv", t.view);
  EXPECT_EQ(names.parent(1), "Anna B");
  EXPECT_EQ(names.parent(2000), "Carl");
  EXPECT_EQ(names.offspring(3), "x3");
  const std::pair<std::string, std::string> cases[] = {
      {"number role name\n", ", line 1: expected the header number<TAB>role<TAB>name"},
      {header + "1\tmother\n", ", line 2: expected three tab-separated fields: number role name"},
      {header + "1\taunt\tX\n", ", line 2: role 'aunt' is not mother, father or offspring"},
      {header + "1\tmother\t\n", ", line 2: the name is empty"},
      {header + "one\tmother\tX\n", ", line 2: number 'one' is not a whole number"},
      {header + all + "5\tmother\tBo\n", ", line 8: parent 5 is named twice"},
      {header + "1\tmother\tA\n", ": no name for parent 5"},
      {header + all.substr(0, all.rfind("3\t")), ": no name for offspring 3"},
      {"", ": the file is empty"},
  };
  for (const auto& [content, message] : cases) {
    EXPECT_EQ(failureOf(content, [&t](const std::string& p) { NameBook(p, t.view); }),
              "parentsphere: names file in.txt" + message)
        << content;
  }
}

TEST(KnownMothers, ByNameOrNumberAndTheClosestNameOnAMiss) {
  const Tables t;
  ScopedWorkdir dir;
  writeFile("n.tsv", "number\trole\tname\n1\tmother\tAnna B\n5\tmother\tBea\n2000\tfather\tCarl\n"
                     "1\toffspring\tx1\n2\toffspring\tx2\n3\toffspring\tdup\n7\toffspring\tdup\n");
  const NameBook names("n.tsv", t.view);
  const struct {
    std::string content;
    std::vector<int32_t> rows;  // empty: fails with `message`
    std::string message;
  } cases[] = {
      {"x2\tAnna B\n1 Bea\n", {1, 0, -1}, ""},
      {" x1 \t 5 \n", {1, -1, -1}, ""},
      {"x4 Bea\n", {}, "line 1: offspring 'x4' is neither a name in the names file nor a number "
                       "from 1 to 3 (closest offspring's name: 'x1')"},
      {"x1 Bee\n", {}, "line 1: mother 'Bee' is neither a name in the names file nor a whole "
                       "number (closest mother's name: 'Bea')"},
      {"x1 Carl\n", {}, "line 1: 'Carl' is not a mother in the parents table"},
      {"x1 2000\n", {}, "line 1: no mother has the identifier 2000 in the parents table "
                        "(closest mother's name: 'Bea')"},
      {"dup 1\n", {}, "line 1: the name 'dup' is shared by 2 offspring in the names file"},
      {"x1\tAnna B\tBea\n", {}, "line 1: expected two fields: offspring mother"},
  };
  for (const auto& c : cases) {
    if (c.rows.empty()) {
      EXPECT_EQ(failureOf(c.content, [&](const std::string& p) { readKnownMothers(p, t.view, &names); }),
                "parentsphere: known mothers file in.txt, " + c.message)
          << c.content;
    } else {
      writeFile("k.txt", c.content);
      EXPECT_EQ(readKnownMothers("k.txt", t.view, &names), c.rows) << c.content;
    }
  }
}

TEST(ErrorRateFile, ByNumberOrNameWithADefaultAndLocatedErrors) {
  const std::vector<std::string> loci = {"Ca12", "Rt 5"};
  const struct {
    std::string content;
    std::vector<std::string> names;
    std::vector<double> rates;  // empty: fails with `message`
    std::string message;
  } cases[] = {
      {"locus\trate\n1\t0.01\n2\t0.2\n", {}, {0.01, 0.2}, ""},
      {"Rt 5\t0.3\ndefault\t0.05\n", loci, {0.05, 0.3}, ""},
      {"# from the marker table\n2 0.1\nCa12 0.02\n", loci, {0.02, 0.1}, ""},
      {"1\t0.01\n", {}, {}, ": locus 2 has no rate (list every locus, or add a line 'default rate')"},
      {"3\t0.01\n", {}, {}, ", line 1: locus '3' is not a number from 1 to 2"},
      {"Ca13\t0.01\n", loci, {}, ", line 1: locus 'Ca13' is not a number from 1 to 2 nor a locus "
                                  "name (closest: 'Ca12')"},
      {"1\t0.6\n", {}, {}, ", line 1: rate '0.6' is not a number from 0.000001 to 0.5"},
      {"1\t0\n", {}, {}, ", line 1: rate '0' is not a number from 0.000001 to 0.5"},
      {"1\t0.1\n1\t0.2\n", {}, {}, ", line 2: locus 1 is given twice"},
      {"default 0.1\ndefault 0.2\n", {}, {}, ", line 2: the default is given twice"},
      {"1 0.1 x\n", {}, {}, ", line 1: expected two fields: locus rate"},
  };
  for (const auto& c : cases) {
    const auto read = [&c](const std::string& p) { return readErrorRateFile(p, 2, c.names); };
    if (c.rates.empty()) {
      EXPECT_EQ(failureOf(c.content, read), "parentsphere: error rates file in.txt" + c.message) << c.content;
    } else {
      ScopedWorkdir dir;
      writeFile("e.txt", c.content);
      EXPECT_EQ(read("e.txt"), c.rates) << c.content;
    }
  }
}

TEST(CandidateFiles, GroupsAndExclusionsAndLocatedErrors) {
  const Tables t;
  ScopedWorkdir dir;
  writeFile("n.tsv", "number\trole\tname\n1\tmother\tAnna B\n5\tmother\tBea\n2000\tfather\tCarl\n"
                     "1\toffspring\tx1\n2\toffspring\tx2\n3\toffspring\tx3\n");
  const NameBook names("n.tsv", t.view);
  // Offspring 1 in territory A with mother 1; offspring 2 in A and B; mother
  // 5 in B; offspring 3 and father 2000 in none. 2 x 2000 is ruled out.
  writeFile("g.tsv", "\xEF\xBB\xBFname\trole\tgroup\nx1\toffspring\tA\nAnna B\tmother\tA\n"
                     "2\toffspring\tA\n2\toffspring\tB\n5\tmother\tB\n");
  writeFile("x.txt", "x2 Carl\n");
  CandidateFilter filter(3, 3);
  readGroupsFile("g.tsv", t.view, &names, filter);
  readExclusionsFile("x.txt", t.view, &names, filter);
  filter.finish();
  const bool allowed[3][3] = {{true, false, true}, {true, true, false}, {true, true, true}};
  for (size_t o = 0; o < 3; ++o) {
    for (int32_t p = 0; p < 3; ++p) EXPECT_EQ(filter.allows(o, p), allowed[o][p]) << o << " " << p;
  }
  std::vector<int32_t> rows = {0, 1, 2};
  filter.keep(0, rows);
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(filter.parentsWithoutGroup(), 1u);
  EXPECT_EQ(filter.offspringWithoutGroup(), 1u);
  const std::string header = "number\trole\tgroup\n";
  const std::pair<std::string, std::string> cases[] = {
      {"number role group\n", "groups file in.txt, line 1: expected the header number<TAB>role<TAB>group"},
      {header + "1\tmother\n", "groups file in.txt, line 2: expected three tab-separated fields: number role group"},
      {header + "1\taunt\tA\n", "groups file in.txt, line 2: role 'aunt' is not mother, father or offspring"},
      {header + "1\tmother\t\n", "groups file in.txt, line 2: the group is empty"},
      {header + "2000\tmother\tA\n", "groups file in.txt, line 2: no mother has the identifier 2000 in the parents table"},
      {header + "4\toffspring\tA\n", "groups file in.txt, line 2: offspring '4' is not a number from 1 to 3"},
      {"name\trole\tgroup\n", "groups file in.txt, line 1: a name column needs --names"},
      {"", "groups file in.txt: the file is empty"},
  };
  for (const auto& [content, message] : cases) {
    CandidateFilter unused(3, 3);
    EXPECT_EQ(failureOf(content, [&](const std::string& p) { readGroupsFile(p, t.view, nullptr, unused); }),
              "parentsphere: " + message)
        << content;
  }
  CandidateFilter unused(3, 3);
  EXPECT_EQ(failureOf("1 7\n", [&](const std::string& p) { readExclusionsFile(p, t.view, nullptr, unused); }),
            "parentsphere: exclusions file in.txt, line 1: no parent has the identifier 7 in the parents table");
}

TEST(LocusNames, TheLociLineAndTheNamesFile) {
  ScopedWorkdir dir;
  const std::pair<std::string, std::vector<std::string>> lines[] = {
      {"# loci\tCa12\tRt 5\r\n1 2 3 4 1\n", {"Ca12", "Rt 5"}},
      {"# loci Ca12 Rt5\n", {}},  // blanks: not the converter's line
      {"1 2 3 4 1\n# loci\tA\tB\n", {}},  // not the first line
  };
  for (const auto& [content, names] : lines) {
    writeFile("t.PAR", content);
    EXPECT_EQ(lociLineOf("t.PAR"), names) << content;
  }
  EXPECT_EQ(lociLineOf("absent.PAR"), std::vector<std::string>());
  writeFile("n.txt", "# names\nCa12\n Rt 5 \n");
  EXPECT_EQ(readLocusNamesFile("n.txt", 2), (std::vector<std::string>{"Ca12", "Rt 5"}));
  EXPECT_EQ(locusLabel(1, {"Ca12", "Rt 5"}), "locus 2 (Rt 5)");
  EXPECT_EQ(locusLabel(1, {}), "locus 2");
  const std::pair<std::string, std::string> cases[] = {
      {"A\n", ": 1 names for 2 loci"},
      {"A\tB\n", ", line 1: expected one name a line, without tabs"},
      {"A\nA\n", ", line 2: the name 'A' is given twice"},
  };
  for (const auto& [content, message] : cases) {
    EXPECT_EQ(failureOf(content, [](const std::string& p) { readLocusNamesFile(p, 2); }),
              "parentsphere: locus names file in.txt" + message)
        << content;
  }
}

TEST(ClosestName, EditDistanceAndTies) {
  const struct {
    const char* a;
    const char* b;
    size_t distance;
  } pairs[] = {{"kitten", "sitting", 3}, {"", "abc", 3}, {"abc", "abc", 0}, {"flaw", "lawn", 2},
               {"10A_B1", "10A_B7", 1}};
  for (const auto& p : pairs) EXPECT_EQ(editDistance(p.a, p.b), p.distance) << p.a << " " << p.b;
  EXPECT_EQ(closestName("Bee", {"Carl", "Bea", "Ben"}), "Bea");  // tie: byte order
  EXPECT_EQ(closestName("x", {}), "");
}

}  // namespace
