// docs/first-analysis.md walks through a first run on the shipped sheet: what
// it shows of the converter's and the program's messages and of the table
// must be what the tools really print.
#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace {

const std::string kSource = PARENTSPHERE_SOURCE_DIR;

// `text` with every run of spaces and tabs made one space, without the ends.
std::string squeezed(const std::string& text) {
  std::istringstream words(text);
  std::string out;
  for (std::string word; words >> word;) out += (out.empty() ? "" : " ") + word;
  return out;
}

// The columns `columns` (from 1) of each line of a tab-separated table.
std::vector<std::string> cut(const std::string& table, const std::vector<size_t>& columns) {
  std::vector<std::string> lines;
  std::istringstream rows(table);
  for (std::string row; std::getline(rows, row);) {
    std::vector<std::string> cells;
    std::istringstream fields(row);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    std::string line;
    for (size_t column : columns) line += " " + (column <= cells.size() ? cells[column - 1] : "");
    lines.push_back(squeezed(line));
  }
  return lines;
}

// Replaces every `from` in `text` by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(FirstAnalysis, ShowsWhatTheToolsPrint) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3 is not installed, so the converter was not run";
  }
  // The walk-through converts into a folder "first" and runs there; here the
  // converter writes beside the sheet, and the messages are put back as the
  // walk-through's folders make them.
  const RunResult run = runParentsphere(
      {{"example-sheet.csv", readFile(kSource + "/docs/example-sheet.csv")}}, "",
      "-r 4 --names names.tsv --table table.tsv --markers markers.tsv --summary summary.html",
      "python3 '" + kSource + "/scripts/csv2parentsphere.py' example-sheet.csv >conv.out 2>conv.err");
  ASSERT_EQ(run.status, 0) << run.stderrText;
  const std::string converter =
      replaced(replaced(run.files.at("conv.err") + run.files.at("conv.out"), "example-sheet.csv",
                        "docs/example-sheet.csv"),
               "names.tsv in .", "names.tsv in first");
  std::vector<std::string> shown;
  std::istringstream lines(converter + run.stderrText + run.stdoutText);
  for (std::string line; std::getline(lines, line);) shown.push_back(squeezed(line));
  for (const std::vector<size_t>& columns :
       {std::vector<size_t>{1, 11, 18, 19, 20, 24}, std::vector<size_t>{1, 27, 29, 31}}) {
    for (const std::string& line : cut(run.files.at("table.tsv"), columns)) shown.push_back(line);
  }

  std::vector<std::string> quoted;  // the walk-through's indented lines
  std::istringstream guide(readFile(kSource + "/docs/first-analysis.md"));
  for (std::string line; std::getline(guide, line);) {
    if (line.compare(0, 4, "    ") == 0) quoted.push_back(squeezed(line));
  }
  for (const std::string& line : shown) {
    if (line.empty()) continue;
    EXPECT_NE(std::find(quoted.begin(), quoted.end(), line), quoted.end())
        << "not in the walk-through: " << line;
  }
}

}  // namespace
