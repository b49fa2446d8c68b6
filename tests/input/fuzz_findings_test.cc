// Inputs on which the table reader's fuzz target found faults, kept as plain
// tests. (The end-to-end cases live in bad_input_test.cc.)
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/line_parser.h"

namespace {

struct Finding {
  std::string why;
  std::string line;
  LineKind kind;
  std::vector<int32_t> values;  // for a Row
};

// Ten-digit tokens once overflowed the 32-bit accumulator of the quick path for
// plain numbers (undefined behaviour, caught by UBSan on "2147483648") before
// the long path rejected or converted them.
const std::vector<Finding> kFindings = {
    {"one past the largest int", "2147483648", LineKind::Unreadable, {}},
    {"beyond 32 bits, 100 in the low bits", "101 4294967396 7", LineKind::Unreadable, {}},
    {"ten nines", "9999999999", LineKind::Unreadable, {}},
    {"ten digits after a minus", "-2147483649", LineKind::Unreadable, {}},
    {"twenty digits", "12345678901234567890", LineKind::Unreadable, {}},
    {"ten digits in range", "1000000000 2147483647", LineKind::Row, {1000000000, 2147483647}},
    {"the smallest int is in range, then invalid", "-2147483648 5", LineKind::Row,
     {-100000, -100000}},
    {"nine digits either side of the quick path", "999999999 -999999999 5", LineKind::Row,
     {999999999, -100000, -100000}},
};

TEST(FuzzFindings, TenDigitTokensReadWithoutOverflow) {
  for (const Finding& f : kFindings) {
    SCOPED_TRACE(f.why + ": [" + f.line + "]");
    std::vector<int32_t> row;
    bool hasMissing = true;
    const LineKind kind = parseLine(f.line, '#', -99, row, hasMissing);
    ASSERT_EQ(static_cast<int>(kind), static_cast<int>(f.kind));
    if (kind == LineKind::Row) {
      EXPECT_EQ(row, f.values);
      EXPECT_FALSE(hasMissing);
    }
  }
}

}  // namespace
