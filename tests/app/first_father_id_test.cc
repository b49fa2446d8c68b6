// --first-father-id: where the mothers' identifiers end. A programme numbered
// above 2000 must get the reports of the same population numbered the usual
// way, identifiers aside.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "run_fixture.h"

namespace {

TEST(FirstFatherId, TakesAWholeNumberFromOne) {
  const std::pair<std::vector<std::string>, int> good[] = {
      {{}, 2000}, {{"--first-father-id", "1"}, 1}, {{"--first-father-id=20000"}, 20000},
      {{"--first-father-id", "2147483647"}, 2147483647}};
  for (const auto& [args, id] : good) {
    const CommandLine command = readCommandLine(args);
    ASSERT_EQ(command.action, CommandLine::Action::Run) << command.text;
    EXPECT_EQ(command.options.firstFatherId, id);
  }
  for (const char* bad : {"0", "-5", "2147483648", "3e4", "", " 7", "99999999999"}) {
    const CommandLine command = readCommandLine({"--first-father-id", bad});
    EXPECT_EQ(command.action, CommandLine::Action::UsageError) << bad;
    EXPECT_EQ(command.text, std::string("parentsphere: --first-father-id: '") + bad +
                                "' is not a whole number from 1 to 2147483647; usage: "
                                "parentsphere [OPTIONS] (parentsphere --help lists them)\n");
  }
}

// Replaces every whole-word `from` in `text` with `to` (same width).
std::string renumbered(std::string text, const std::vector<std::pair<std::string, std::string>>& ids) {
  for (const auto& [from, to] : ids) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      const bool alone = (at == 0 || !isdigit(static_cast<unsigned char>(text[at - 1]))) &&
                         (at + from.size() == text.size() ||
                          !isdigit(static_cast<unsigned char>(text[at + from.size()])));
      if (alone) text.replace(at, from.size(), to);
    }
  }
  return text;
}

TEST(FirstFatherId, ReportsMatchTheUsualNumbering) {
  // Mothers 1111, 1222 and fathers 2333, 2444 as usual; the same parents as
  // 7111, 7222 and 8333, 8444 with --first-father-id 8000.
  const std::string parents =
      "100 102 104 106 1111\n104 110 100 100 1222\n102 104 106 104 2333\n106 108 100 102 2444\n";
  const std::string sons = "100 104 104 100\n104 106 100 102\n150 160 -99 -99\n";
  const std::vector<std::pair<std::string, std::string>> ids = {
      {"1111", "7111"}, {"1222", "7222"}, {"2333", "8333"}, {"2444", "8444"}};
  const RunResult usual =
      runParentsphere({{"parents.PAR", parents}, {"sons.PRO", sons}}, "", "-r 2 --table t.tsv");
  const RunResult high = runParentsphere(
      {{"parents.PAR", renumbered(parents, ids)}, {"sons.PRO", sons}}, "",
      "-r 2 --table t.tsv --first-father-id 8000");
  ASSERT_EQ(usual.status, 0) << usual.stderrText;
  ASSERT_EQ(high.status, 0) << high.stderrText;
  EXPECT_EQ(high.stderrText, usual.stderrText);
  EXPECT_EQ(high.stdoutText, usual.stdoutText);
  for (const char* file : {"Parent.out", "Fam.out", "Famgenotypes.out", "t.tsv"}) {
    ASSERT_TRUE(usual.files.count(file) && high.files.count(file)) << file;
    EXPECT_NE(usual.files.at(file).find("1111"), std::string::npos) << file;
    EXPECT_EQ(high.files.at(file), renumbered(usual.files.at(file), ids)) << file;
  }
  // A father listed before a mother: the warning names the limit the run used.
  const RunResult wrong = runParentsphere(
      {{"parents.PAR", "104 110 100 100 7222\n100 102 104 106 7111\n"}, {"sons.PRO", sons}}, "",
      "-r 2 --first-father-id 7200");
  EXPECT_NE(wrong.stderrText.find("mothers (identifiers below 7200) are not all listed before"),
            std::string::npos)
      << wrong.stderrText;
}

}  // namespace
