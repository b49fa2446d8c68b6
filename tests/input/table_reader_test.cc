// The genotype table format: token conversion, one line, a whole text, the
// table built from a file, the run's one check of the two tables, and the
// word counter.
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "input/both_roles.h"
#include "input/data.h"
#include "input/line_parser.h"
#include "input/table_checks.h"
#include "reference/row_reader.h"
#include "reference/word_count.h"
#include "status/run_failure.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

const std::string kConversion =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";

struct TokenCase {
  const char* token;
  bool accepted;
  int32_t value;
};

TEST(ConvertToken, LeadingNumberRules) {
  const TokenCase cases[] = {
      {"1", true, 1},
      {"101", true, 101},
      {"+130", true, 130},
      {"-99", true, -99},
      {"-2", true, -2},
      {"12,14", true, 12},  // a comma belongs to the token; only 12 is read
      {"12abc", true, 12},
      {"12\r", true, 12},  // a value followed by a carriage return reads normally
      {"\r12", true, 12},  // strtol skips leading white space, \r included
      {"\v\f7", true, 7},
      {"12.7", true, 12},
      {"1e5", true, 1},
      {"0000000000000000000000012", true, 12},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"0", false, 0},
      {"00", false, 0},
      {"+0", false, 0},
      {"-0", false, 0},
      {"abc", false, 0},
      {"x12", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"--5", false, 0},
      {"+-5", false, 0},
      {"\r", false, 0},
      {"0x1A", false, 0},
      {"2147483648", false, 0},   // one past the 32-bit range
      {"-2147483649", false, 0},  // one below it
      {"4294967396", false, 0},   // its low 32 bits would read as 100
      {"4294967297", false, 0},   // ... and these as 1
      {"99999999999999999999999999", false, 0},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(std::string("token '") + c.token + "'");
    int32_t value = 12345;
    EXPECT_EQ(convertToken(c.token, &value), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(value, c.value);
    }
  }
}

// Every token reads as strtol reads it in base 10; a result of zero or outside
// the 32-bit range is refused.
TEST(ConvertToken, AgreesWithStrtolOnRandomTokens) {
  std::mt19937 rng(20240607);
  const std::string alphabet = "0123456789012345678901234567890123456789+-+- \t\r\v\fa,.x";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(1, 24);
  int inRangeChecked = 0;
  for (int n = 0; n < 40000; ++n) {
    std::string token;
    const int len = length(rng);
    for (int i = 0; i < len; ++i) token += alphabet[pick(rng)];
    errno = 0;
    const long expected = std::strtol(token.c_str(), nullptr, 10);
    const bool inRange = errno != ERANGE && expected >= INT32_MIN && expected <= INT32_MAX;
    int32_t value = 0;
    const bool accepted = convertToken(token, &value);
    ASSERT_EQ(accepted, inRange && expected != 0) << "token '" << token << "'";
    if (accepted) {
      ASSERT_EQ(value, expected) << "token '" << token << "'";
      ++inRangeChecked;
    }
  }
  EXPECT_GT(inRangeChecked, 5000);  // the alphabet must really produce numbers
}

struct LineCase {
  const char* name;
  std::string line;
  LineKind kind;
  std::vector<int32_t> row;  // compared for Row lines only
  bool hasMissing;
};

TEST(ParseLine, Table) {
  const int32_t X = -100000;
  const LineCase cases[] = {
      {"five values", "101 103 115 117 1005", LineKind::Row, {101, 103, 115, 117, 1005}, false},
      {"missing code kept and flagged",
       "101 -99 103 105",
       LineKind::Row,
       {101, -99, 103, 105},
       true},
      {"bad negative poisons the rest", "101 -3 103 -99", LineKind::Row, {101, X, X, X}, false},
      {"missing before a bad negative", "5 -99 -7 8", LineKind::Row, {5, -99, X, X}, true},
      {"leading bad negative", "-5 7", LineKind::Row, {X, X}, false},
      {"most negative int is a bad negative", "-2147483648 5", LineKind::Row, {X, X}, false},
      {"largest int", "2147483647 -99", LineKind::Row, {INT32_MAX, -99}, true},
      {"tabs and runs of separators", "\t\t12\t \t13   ", LineKind::Row, {12, 13}, false},
      {"comma joins a token", "12,14 7", LineKind::Row, {12, 7}, false},
      {"trailing text in a token", "12abc 7", LineKind::Row, {12, 7}, false},
      {"carriage return ends the line", "12 13\r", LineKind::Row, {12, 13}, false},
      {"plus sign", "+130 2", LineKind::Row, {130, 2}, false},
      {"empty line", "", LineKind::Blank, {}, false},
      {"spaces and tabs only", "  \t \t", LineKind::Blank, {}, false},
      {"comment line", "# locus1a locus1b", LineKind::Comment, {}, false},
      {"comment after blanks", "  # word", LineKind::Comment, {}, false},
      {"comment after values", "12 14 # word", LineKind::Comment, {}, false},
      {"marker inside a token", "12 14#", LineKind::Comment, {}, false},
      {"marker before a zero", "# 0", LineKind::Comment, {}, false},
      {"zero before a marker", "0 # x", LineKind::Unreadable, {}, false},
      {"zero", "12 0 13", LineKind::Unreadable, {}, false},
      {"double zero", "00", LineKind::Unreadable, {}, false},
      {"signed zero", "+0", LineKind::Unreadable, {}, false},
      {"word", "12 abc", LineKind::Unreadable, {}, false},
      {"letter first", "x12", LineKind::Unreadable, {}, false},
      {"lone minus", "5 -", LineKind::Unreadable, {}, false},
      {"only a carriage return", "\r", LineKind::Unreadable, {}, false},
      {"blank then carriage return", "12 \r", LineKind::Unreadable, {}, false},
      {"beyond 32 bits", "4294967396 5", LineKind::Unreadable, {}, false},
      {"below 32 bits", "5 -2147483649", LineKind::Unreadable, {}, false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int32_t> row;
    bool hasMissing = true;
    const LineKind kind = parseLine(c.line, '#', -99, row, hasMissing);
    EXPECT_EQ(static_cast<int>(kind), static_cast<int>(c.kind));
    if (c.kind == LineKind::Row) {
      EXPECT_EQ(row, c.row);
      EXPECT_EQ(hasMissing, c.hasMissing);
    }
  }
}

TEST(ParseLine, OnlyTheFirstCharacterOfTheMarkerCounts) {
  std::vector<int32_t> row;
  bool hasMissing = false;
  EXPECT_EQ(parseLine("; note", ';', -99, row, hasMissing), LineKind::Comment);
  row.clear();
  // With another marker '#' is an ordinary character: a token without a number.
  EXPECT_EQ(parseLine("12 # 13", ';', -99, row, hasMissing), LineKind::Unreadable);
  row.clear();
  // The missing code is the caller's: with code -7, -99 is a bad negative.
  EXPECT_EQ(parseLine("1 -7 2", ';', -7, row, hasMissing), LineKind::Row);
  EXPECT_EQ(row, (std::vector<int32_t>{1, -7, 2}));
  EXPECT_TRUE(hasMissing);
  row.clear();
  EXPECT_EQ(parseLine("1 -99 2", ';', -7, row, hasMissing), LineKind::Row);
  EXPECT_EQ(row, (std::vector<int32_t>{1, -100000, -100000}));
  EXPECT_FALSE(hasMissing);
}

struct TableCase {
  const char* name;
  std::string text;
  std::vector<std::vector<int32_t>> rows;
  std::vector<bool> flags;
};

TEST(ParseTable, Table) {
  const TableCase cases[] = {
      {"comment then a row",
       "# generated\n101 103 115 117 1005\n",
       {{101, 103, 115, 117, 1005}},
       {false}},
      {"last line without line feed", "1 2\n3 4", {{1, 2}, {3, 4}}, {false, false}},
      {"blank lines skipped", "\n  \n1 2\n\t\n\n3 4\n\n", {{1, 2}, {3, 4}}, {false, false}},
      {"carriage-return line ends", "1 2\r\n3 4\r\n", {{1, 2}, {3, 4}}, {false, false}},
      {"empty text", "", {}, {}},
      {"comments only", "# a\n#b\n   # c\n", {}, {}},
      {"rows of different lengths",
       "1 2 3\n4\n5 6 7 8 9\n",
       {{1, 2, 3}, {4}, {5, 6, 7, 8, 9}},
       {false, false, false}},
      {"flags follow the stored rows",
       "1 -99\n# c\n3 4\n5 -99 #x\n6 7 -99\n",
       {{1, -99}, {3, 4}, {6, 7, -99}},
       {true, false, true}},
  };
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedTable table = parseTable(c.text, '#', -99);
    EXPECT_FALSE(table.unreadable);
    EXPECT_EQ(table.rows, c.rows);
    EXPECT_EQ(table.rowHasMissing, c.flags);
  }
}

// Tokens read as the number before their text are counted, and the first
// one of each of the first lines is kept with its place; white space after
// the digits, plain numbers and dropped lines are not counted.
TEST(ParseTable, CountsValuesWithTextAfterTheirDigits) {
  struct Case {
    const char* name;
    const char* text;
    size_t count;
    std::string places;  // "line:column=value'token'" each
  };
  const Case cases[] = {
      {"plain numbers, signs, zeros in front, carriage returns", "+3 0012 -99 12\r\n1 2\n", 0, ""},
      {"an identifier with text after its digits", "100 102 10A_2016\n", 1, "1:3=10'10A_2016'"},
      {"two on a line: both counted, the first kept", "1 2a 3b\n4 5\n6.5 7\n", 3,
       "1:2=2'2a' 3:1=6'6.5'"},
      {"a dropped line is not counted", "1 2a # note\n\n3 4,\n", 1, "3:2=4'4,'"},
      {"the first three lines kept", "1a\n2a\n3a\n4a\n", 4, "1:1=1'1a' 2:1=2'2a' 3:1=3'3a'"},
      {"a long token is cut", "7xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n", 1,
       "1:1=7'7xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ParsedTable table = parseTable(c.text, '#', -99);
    EXPECT_FALSE(table.unreadable);
    EXPECT_EQ(table.textAfterDigits.count, c.count);
    std::string places;
    for (const TextAfterDigits::Place& p : table.textAfterDigits.places) {
      places += (places.empty() ? "" : " ") + std::to_string(p.line) + ":" +
                std::to_string(p.column) + "=" + std::to_string(p.value) + "'" + p.token + "'";
    }
    EXPECT_EQ(places, c.places);
  }
}

TEST(ParseTable, StopsAtTheFirstUnreadableLine) {
  const char* texts[] = {
      "1 2\n0 3\n4 5\n",
      "1 2\r\n\r\n3 4\r\n",  // a blank line of a carriage-return file
      "1 2 \r\n3 4\n",       // a value followed by a blank and a carriage return
      "1 2\n3 4294967396\n",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(parseTable(text, '#', -99).unreadable);
  }
}

// The reading written out step by step: lines up to each line feed, blank
// lines skipped, then character by character, a token converted when the
// character after it separates or ends the line.
ParsedTable readStepByStep(const std::string& text, char marker, int missing) {
  ParsedTable table;
  auto separates = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    bool blank = true;
    for (char c : line) blank = blank && separates(c);
    if (blank || line[0] == marker) continue;
    std::vector<int32_t> row;
    bool flag = false;
    bool pending = false;
    bool dropped = false;
    std::string token;
    for (size_t i = 0; i < line.size() && !dropped; ++i) {
      if (separates(line[i])) continue;
      if (line[i] == marker) {
        dropped = true;
        break;
      }
      token += line[i];
      if (i + 1 < line.size() && !separates(line[i + 1])) continue;
      errno = 0;
      long v = std::strtol(token.c_str(), nullptr, 10);
      token.clear();
      if (v == 0 || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
        table.unreadable = true;
        return table;
      }
      if (pending) {
        v = -100000;
        pending = false;
      }
      if (v < 0 && v != missing) {
        v = -100000;
        pending = true;
      }
      flag = flag || v == missing;
      row.push_back(static_cast<int32_t>(v));
    }
    if (dropped) continue;
    table.rows.push_back(row);
    table.rowHasMissing.push_back(flag);
  }
  return table;
}

TEST(ParseTable, AgreesWithTheStepByStepReadingOnRandomTexts) {
  std::mt19937 rng(99);
  const std::string alphabet = "123456789123456789123456789   \t\n\n\n-9-9+0#\r,a";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 60);
  int readable = 0;
  for (int n = 0; n < 20000; ++n) {
    std::string text;
    for (int i = length(rng); i > 0; --i) text += alphabet[pick(rng)];
    const ParsedTable expected = readStepByStep(text, '#', -99);
    const ParsedTable table = parseTable(text, '#', -99);
    ASSERT_EQ(table.unreadable, expected.unreadable) << "text '" << text << "'";
    if (expected.unreadable) continue;
    ++readable;
    ASSERT_EQ(table.rows, expected.rows) << "text '" << text << "'";
    ASSERT_EQ(table.rowHasMissing, expected.rowHasMissing) << "text '" << text << "'";
  }
  EXPECT_GT(readable, 2000);
}

// Whole tokens rather than single characters: ten-digit numbers and the 32-bit
// edges, leading zeros, white space strtol skips, NUL bytes, glued markers.
// Each text is also fed to TableParser in random pieces, as files are read.
TEST(ParseTable, AgreesWithTheStepByStepReadingOnTokenTexts) {
  const std::string pieces[] = {"12",  "-99", "0",   "00",  "+7",   "-",    "-3",  "abc", "12abc",
                                "1,2", "\r",  "#",   " ",   "\t",   "\n",   "\v5", "x",   "999999999",
                                "2147483647", "2147483648", "-2147483648", "-2147483649",
                                "4294967396", "0012", std::string(1, '\0'), "7#", "-0", "+", "1e5"};
  std::mt19937 rng(4242);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  int readable = 0;
  for (int n = 0; n < 30000; ++n) {
    std::string text;
    for (int t = std::uniform_int_distribution<int>(0, 12)(rng); t > 0; --t) {
      text += pieces[pick(rng)];
      if (rng() % 3 != 0) text += rng() % 4 == 0 ? '\n' : ' ';
    }
    const ParsedTable expected = readStepByStep(text, '#', -99);
    const ParsedTable table = parseTable(text, '#', -99);
    TableParser parser('#', -99);
    for (size_t at = 0; at < text.size();) {
      const size_t length = std::uniform_int_distribution<size_t>(1, 7)(rng);
      parser.feed(std::string_view(text).substr(at, length));
      at += length;
    }
    parser.finish();
    const ParsedTable& fed = parser.table();
    ASSERT_EQ(table.unreadable, expected.unreadable) << "text '" << text << "'";
    ASSERT_EQ(fed.unreadable, expected.unreadable) << "fed in pieces: '" << text << "'";
    if (expected.unreadable) continue;
    ++readable;
    ASSERT_EQ(table.rows, expected.rows) << "text '" << text << "'";
    ASSERT_EQ(table.rowHasMissing, expected.rowHasMissing) << "text '" << text << "'";
    ASSERT_EQ(fed.rows, expected.rows) << "fed in pieces: '" << text << "'";
    ASSERT_EQ(fed.rowHasMissing, expected.rowHasMissing) << "fed in pieces: '" << text << "'";
  }
  EXPECT_GT(readable, 1000);
}

TEST(DataFromText, KeepsRowsFlagsAndNames) {
  const Data data = Data::fromText("# c\n1 -99 3\n4 5\n", -99, "#x", "sons.PRO");
  EXPECT_EQ(data.rows, (std::vector<std::vector<int>>{{1, -99, 3}, {4, 5}}));
  EXPECT_EQ(data.rowHasMissing, (std::vector<bool>{true, false}));
  EXPECT_EQ(data.comment, "#x");
  EXPECT_EQ(data.fileName, "sons.PRO");
  EXPECT_EQ(data.nLoci, 0);
}

TEST(DataFromText, UnreadableTokenThrowsTheConversionMessage) {
  for (const char* text : {"1 2\nabc\n", "0", "1 2 \r\n", "5 2147483648\n"}) {
    SCOPED_TRACE(text);
    try {
      Data::fromText(text, -99, "#");
      ADD_FAILURE() << "no failure raised";
    } catch (const RunFailure& failure) {
      EXPECT_EQ(std::string(failure.what()), kConversion);  // no line feed after it
      EXPECT_EQ(failure.status(), 1);
    }
  }
}

// The one check a run makes: what it works out (loci, mothers by the first
// father identifier, the missing code) or the first failing check's message,
// and the hermaphrodites' doubled table with every individual once a mother.
TEST(CheckTables, CountsOnceOrStopsAtTheFirstFailingCheck) {
  const struct {
    const char* parents;
    const char* sons;
    int firstFatherId;
    int32_t loci, mothers;
    const char* failure;
  } cases[] = {
      {"1 2 1001\n3 4 1002\n5 6 2001\n", "1 2\n", 2000, 1, 2, ""},
      {"1 2 3 4 7\n1 2 3 4 2000\n", "1 2 3 4\n5 6 7 8\n", 2000, 2, 1, ""},
      {"1 2 1001\n3 4 1002\n5 6 2001\n", "1 2\n", 1002, 1, 1, ""},
      {"5 6 2001\n1 2 1001\n", "1 2\n", 2000, 1, 1, ""},  // counted, not by position
      {"", "", 2000, 0, 0, "EMPTY PARENTS FILE\n"},
      {"1 2 1001\n", "", 2000, 0, 0, "EMPTY SONS FILE\n"},
      {"", "1 2 3\n", 2000, 0, 0, "EMPTY PARENTS FILE\n"},
      {"1 2 1001\n", "1 2 3\n", 2000, 0, 0, "WRONG NUMBER OF COLUMNS IN SONS FILE\n"},
      {"1 2 1001\n", "1 2 3 4\n1 2\n", 2000, 0, 0, "WRONG NUMBER OF COLUMNS IN SONS FILE\n"},
      {"1 2 1001\n", "1 2 3 4\n", 2000, 0, 0, "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n"},
      {"1 2 3 4 1001\n1 2 3 4\n", "1 2 3 4\n", 2000, 0, 0,
       "WRONG NUMBER OF COLUMNS IN PARENTS FILE\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.parents) + "|" + c.sons);
    Data parents = Data::fromText(c.parents, -99, "#", "parents.PAR");
    Data sons = Data::fromText(c.sons, -99, "#", "sons.PRO");
    parents.firstFatherId = c.firstFatherId;
    try {
      const CheckedTables checked = checkTables(parents, sons, -99);
      EXPECT_STREQ("", c.failure);
      EXPECT_EQ(checked.loci, c.loci);
      EXPECT_EQ(checked.mothers, c.mothers);
      EXPECT_EQ(checked.fathers(), parents.rows.size() - static_cast<size_t>(c.mothers));
      EXPECT_EQ(checked.missing, -99);
      EXPECT_EQ(&checked.parents, &parents);
      EXPECT_EQ(&checked.offspring, &sons);
      const Data both = bothRoles(parents);
      const CheckedTables doubled = inBothRoles(checked, both);
      EXPECT_EQ(static_cast<size_t>(doubled.mothers), parents.rows.size());
      EXPECT_EQ(doubled.fathers(), parents.rows.size());
      EXPECT_EQ(doubled.loci, c.loci);
    } catch (const RunFailure& failure) {
      EXPECT_STREQ(failure.what(), c.failure);
      EXPECT_EQ(failure.status(), 1);
    }
  }
}

TEST(GetRow, AppendsValuesAndFlagOnlyForRows) {
  Data data = Data::fromText("", -99, "#");
  std::vector<int> row;
  EXPECT_TRUE(get_row(data, "101 -99 103", -99, row));
  EXPECT_EQ(row, (std::vector<int>{101, -99, 103}));
  EXPECT_EQ(data.rowHasMissing, (std::vector<bool>{true}));

  row.clear();
  EXPECT_TRUE(get_row(data, "7 8", -99, row));
  EXPECT_EQ(data.rowHasMissing, (std::vector<bool>{true, false}));

  for (const char* comment : {"# word", "1 2 # word", "3 4#"}) {
    SCOPED_TRACE(comment);
    row.clear();
    EXPECT_FALSE(get_row(data, comment, -99, row));
    EXPECT_EQ(data.rowHasMissing.size(), 2u);
  }
  EXPECT_TRUE(data.rows.empty());  // get_row converts; storing is the reader's
}

TEST(GetRow, UnreadableTokenThrows) {
  Data data = Data::fromText("", -99, "#");
  std::vector<int> row;
  EXPECT_THROW(get_row(data, "12 x", -99, row), RunFailure);
  EXPECT_TRUE(data.rowHasMissing.empty());
}

TEST(ContWords, CountsEveryWordIncludingTheLast) {
  const std::pair<const char*, int> cases[] = {
      {"1 2 3", 3},    {"1 2 3\n", 3}, {"", 0},     {"   ", 0},   {"a", 1},        {" a ", 1},
      {"a\tb\n c", 3}, {"a\rb", 1},    {"x  y", 2}, {"\t\t7", 1}, {"12,14 15", 2}, {"# a b", 3},
  };
  for (const auto& [line, words] : cases) {
    SCOPED_TRACE(std::string("line '") + line + "'");
    EXPECT_EQ(cont_words(line), words);
  }
}

// The table read from a real file: opened read-only, directories refused.
class DataFile : public ::testing::Test {
 protected:
  ScopedWorkdir dir;
};

std::string failureOf(const std::string& name) {
  try {
    Data data(name, -99, "#");
  } catch (const RunFailure& failure) {
    EXPECT_EQ(failure.status(), 1);
    return failure.what();
  }
  return "<no failure>";
}

TEST_F(DataFile, ReadsAFile) {
  writeFile("parents.PAR", "#head\n101 103 115 117 1005\n\n120 -99 1 2 2001");
  const Data data("parents.PAR", -99, "#");
  EXPECT_EQ(data.rows,
            (std::vector<std::vector<int>>{{101, 103, 115, 117, 1005}, {120, -99, 1, 2, 2001}}));
  EXPECT_EQ(data.rowHasMissing, (std::vector<bool>{false, true}));
  EXPECT_EQ(data.fileName, "parents.PAR");
}

TEST_F(DataFile, ReadOnlyFileIsReadNormallyAndLeftAsItWas) {
  const std::string text = "1 2 3\n";
  writeFile("sons.PRO", text);
  ASSERT_EQ(chmod("sons.PRO", 0444), 0);
  const Data data("sons.PRO", -99, "#");
  EXPECT_EQ(data.rows, (std::vector<std::vector<int>>{{1, 2, 3}}));
  EXPECT_EQ(readFile("sons.PRO"), text);
}

TEST_F(DataFile, MissingFileOrDirectoryCannotBeFound) {
  EXPECT_EQ(failureOf("parents.PAR"), "can not find parents.PAR input file\n");
  ASSERT_EQ(mkdir("sons.PRO", 0755), 0);
  EXPECT_EQ(failureOf("sons.PRO"), "can not find sons.PRO input file\n");
}

TEST_F(DataFile, ReadErrorIsReported) {
  // Reading a process's own memory at offset 0 fails with an input/output error.
  EXPECT_EQ(failureOf("/proc/self/mem"), "can not read /proc/self/mem input file\n");
}

}  // namespace
