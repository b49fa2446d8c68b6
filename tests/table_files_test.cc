// The files the ranked table reads: frequencies, known mothers, names. Each
// problem stops the run with a message naming the file and the line.
#include <gtest/gtest.h>

#include "input/data.h"
#include "ranking/frequency_file.h"
#include "ranking/known_mothers.h"
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

}  // namespace
