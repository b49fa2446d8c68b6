// The number text the reports write (appendInt, writeInt) and the record-level
// digit-by-digit form kept as the reference (digittoS, ItoS), checked against
// each other and the library.
#include <climits>
#include <random>

#include <gtest/gtest.h>

#include "reference/decimal_text.h"
#include "reports/number_text.h"

namespace {

TEST(DigittoS, DigitsAndEverythingElse) {
  const std::pair<int, const char*> cases[] = {
      {0, "0"}, {1, "1"}, {5, "5"}, {9, "9"},         {10, ""},       {-1, ""},
      {123, ""}, {-9, ""}, {INT_MAX, ""}, {INT_MIN, ""},
  };
  for (const auto& [digit, text] : cases) {
    SCOPED_TRACE("digit " + std::to_string(digit));
    EXPECT_EQ(digittoS(digit), text);
  }
}

TEST(ItoS, WorkedValues) {
  const std::pair<int, const char*> cases[] = {
      {0, "0"},
      {7, "7"},
      {10, "10"},
      {99, "99"},
      {100, "100"},
      {999, "999"},
      {1000, "1000"},
      {1001, "1001"},
      {999999999, "999999999"},
      {1000000000, "1000000000"},
      {INT_MAX, "2147483647"},
      {-5, "-5"},
      {-120, "-120"},
      {-1000, "-1000"},
      {-1000000000, "-1000000000"},
      {INT_MIN, "-2147483648"},
  };
  for (const auto& [value, text] : cases) {
    SCOPED_TRACE("value " + std::to_string(value));
    EXPECT_EQ(ItoS(value), text);
  }
}

std::string appended(int value) {
  std::string out = "x";  // appendInt appends; it must not touch what is there
  appendInt(out, value);
  return out.substr(1);
}

// Every power of ten and its neighbours, both signs, and many random values:
// the digit-by-digit text, the reports' fast path and the library agree.
TEST(ItoS, EqualsAppendIntAndTheLibraryText) {
  std::vector<int> values = {0, 1, -1, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
  for (long long p = 1; p <= INT_MAX; p *= 10) {
    for (long long v : {p - 1, p, p + 1}) {
      if (v > INT_MAX) continue;
      values.push_back(static_cast<int>(v));
      values.push_back(static_cast<int>(-v));
    }
  }
  for (int v = -2100; v <= 2100; ++v) values.push_back(v);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
  for (int i = 0; i < 50000; ++i) values.push_back(any(rng));
  for (int v : values) {
    const std::string expected = std::to_string(v);
    ASSERT_EQ(ItoS(v), expected);
    ASSERT_EQ(appended(v), expected);
  }
}

}  // namespace
