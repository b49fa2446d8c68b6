// parseLine takes a quick path for plain numbers; it must classify and convert
// every line exactly as the character-by-character reading with strtol does.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/line_parser.h"

namespace {

// The format read the slow, obvious way: walk the characters, complete a token
// at a separator or the end, convert it with strtol.
LineKind readSlowly(const std::string& line, char marker, int missing, std::vector<int32_t>& row,
                    bool& hasMissing) {
  hasMissing = false;
  bool blank = true;
  for (char c : line) blank = blank && (c == ' ' || c == '\t' || c == '\n');
  if (blank) return LineKind::Blank;
  if (line[0] == marker) return LineKind::Comment;
  std::string token;
  bool pending = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') continue;
    if (c == marker) return LineKind::Comment;
    token += c;
    const bool complete =
        i + 1 == line.size() || line[i + 1] == ' ' || line[i + 1] == '\t' || line[i + 1] == '\n';
    if (!complete) continue;
    errno = 0;
    const long converted = std::strtol(token.c_str(), nullptr, 10);
    if (converted == 0 || converted > INT_MAX || converted < INT_MIN) return LineKind::Unreadable;
    int v = static_cast<int>(converted);
    if (pending) {
      v = -100000;
      pending = false;
    }
    if (v < 0 && v != missing) {
      v = -100000;
      pending = true;
    }
    if (!hasMissing) hasMissing = v == missing;
    row.push_back(v);
    token.clear();
  }
  return LineKind::Row;
}

TEST(ParseLine, AgreesWithTheCharacterByCharacterReading) {
  const std::string pieces[] = {"12",  "-99", "0",   "00",  "+7",   "-",    "-3",  "abc", "12abc",
                                "1,2", "\r",  "#",   " ",   "\t",   "\n",   "\v5", "x",   "999999999",
                                "2147483647", "2147483648", "-2147483648", "-2147483649",
                                "4294967396", "0012", std::string(1, '\0'), "7#", "-0", "+", "1e5"};
  std::mt19937 rng(99);
  for (int trial = 0; trial < 200000; ++trial) {
    std::string line;
    const int count = std::uniform_int_distribution<int>(0, 8)(rng);
    for (int t = 0; t < count; ++t) {
      line += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
      if (std::uniform_int_distribution<int>(0, 2)(rng) != 0) line += ' ';
    }
    std::vector<int32_t> expectedRow, actualRow;
    bool expectedMissing = false, actualMissing = false;
    const LineKind expected = readSlowly(line, '#', -99, expectedRow, expectedMissing);
    const LineKind actual = parseLine(line, '#', -99, actualRow, actualMissing);
    ASSERT_EQ(static_cast<int>(actual), static_cast<int>(expected)) << "line [" << line << "]";
    if (expected == LineKind::Row) {
      ASSERT_EQ(actualRow, expectedRow) << "line [" << line << "]";
      ASSERT_EQ(actualMissing, expectedMissing) << "line [" << line << "]";
    }
  }
}

}  // namespace
