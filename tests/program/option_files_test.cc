// The option files (names, frequencies, known mothers) through the real
// program: a byte order mark is skipped, names a table cell cannot hold are
// refused where they stand, and messages show file content escaped.
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "run_fixture.h"
#include "tiny_population.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHeader = "number\trole\tname\n";
const std::string kParentNames =
    "1001\tmother\tAda\n1002\tmother\tBo\n2001\tfather\tCy\n2002\tfather\tDan\n";
const std::string kOffspringNames = "1\toffspring\tk1\n2\toffspring\tk2\n";

std::string namesWith(const std::string& third) {
  return kHeader + kParentNames + kOffspringNames + "3\toffspring\t" + third + "\n";
}

TEST(OptionFiles, ByteOrderMarksAreSkipped) {
  const RunResult plain = runParentsphere(
      {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}, {"n.tsv", namesWith("k3")},
       {"f.txt", "1 100 0.5\n"}, {"k.txt", "2 1002\n"}},
      "", "-q -r 2 --table t.tsv --names n.tsv --frequencies f.txt --known-mothers k.txt");
  ASSERT_EQ(plain.status, 0) << plain.stderrText;
  const RunResult marked = runParentsphere(
      {{"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons},
       {"n.tsv", kBom + namesWith("k3")}, {"f.txt", kBom + "1 100 0.5\n"},
       {"k.txt", kBom + "2 1002\n"}},
      "", "-q -r 2 --table t.tsv --names n.tsv --frequencies f.txt --known-mothers k.txt");
  EXPECT_EQ(marked.status, 0) << marked.stderrText;
  EXPECT_EQ(marked.files.at("t.tsv"), plain.files.at("t.tsv"));
}

TEST(OptionFiles, BadContentIsRefusedWhereItStandsAndShownEscaped) {
  const struct {
    const char* option;
    std::string content;
    std::string message;
  } cases[] = {
      {"--names", namesWith("k\r3"), "names file x, line 8: the name 'k\\r3' holds a control character"},
      {"--names", namesWith("k\x1b[31m3"), "names file x, line 8: the name 'k\\x1b[31m3' holds a control character"},
      {"--names", namesWith("k\x07"), "names file x, line 8: the name 'k\\x07' holds a control character"},
      {"--names", namesWith("k\x7f"), "names file x, line 8: the name 'k\\x7f' holds a control character"},
      {"--names", namesWith("k\xc2\x85"), "names file x, line 8: the name 'k\\xc2\\x85' holds a control character"},
      {"--names", namesWith("=1+2"), "names file x, line 8: the name '=1+2' starts with =, +, - or @, which a spreadsheet runs as a formula"},
      {"--names", namesWith("@SUM(A1)"), "names file x, line 8: the name '@SUM(A1)' starts with =, +, - or @, which a spreadsheet runs as a formula"},
      {"--names", kHeader + "1001\tfather\tAda\n1002\tmother\tBo\n2001\tfather\tCy\n2002\tfather\tDan\n" + kOffspringNames + "3\toffspring\tk3\n",
       "names file x, line 2: parent 1001 is named as a father but is a mother in the parents table"},
      {"--names", kHeader + "1001\t\x1b[31mRED\tAda\n", "names file x, line 2: role '\\x1b[31mRED' is not mother, father or offspring"},
      {"--frequencies", "1 100 \x1b[31mRED\n", "frequencies file x, line 1: frequency '\\x1b[31mRED' is not a number above 0 and at most 1"},
      {"--known-mothers", "2 10\x07\n", "known mothers file x, line 1: mother '10\\x07' is not a whole number"},
      {"--frequencies", "1 " + std::string(40, '9') + " 0.5\n", "frequencies file x, line 1: allele '999999999999999999999999...' is not a whole number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const std::map<std::string, std::string> files = {
        {"parents.PAR", tiny::kParents}, {"sons.PRO", tiny::kSons}, {"x", c.content}};
    const RunResult run =
        runParentsphere(files, "", std::string("-q -r 2 --table t.tsv ") + c.option + " x");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.stderrText, "parentsphere: " + c.message + "\n");
    EXPECT_EQ(run.files, files);
  }
}

}  // namespace
