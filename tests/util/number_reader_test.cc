// The shared reader of the numbers people type, on strings.
#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "util/number_reader.h"

namespace {

TEST(NumberReader, Digits) {
  struct Case {
    std::string text;
    uint64_t low, high;
    size_t mostLength;
    std::optional<uint64_t> expected;
  };
  const Case cases[] = {
      {"0", 0, 10, SIZE_MAX, 0},
      {"007", 0, 10, SIZE_MAX, 7},
      {"2147483647", 0, INT_MAX, SIZE_MAX, 2147483647u},
      {"2147483648", 0, INT_MAX, SIZE_MAX, std::nullopt},
      {"18446744073709551615", 0, UINT64_MAX, 20, UINT64_MAX},
      {"18446744073709551616", 0, UINT64_MAX, 20, std::nullopt},  // past 64 bits
      {"99999999999999999999999", 0, UINT64_MAX, SIZE_MAX, std::nullopt},
      {"0001", 1, 1024, 4, 1},
      {"00001", 1, 1024, 4, std::nullopt},  // wider than the field
      {"0", 1, 1024, 4, std::nullopt},
      {"1025", 1, 1024, 4, std::nullopt},
      {"", 0, 10, SIZE_MAX, std::nullopt},
      {"+1", 0, 10, SIZE_MAX, std::nullopt},
      {"-1", 0, 10, SIZE_MAX, std::nullopt},
      {" 1", 0, 10, SIZE_MAX, std::nullopt},
      {"1 ", 0, 10, SIZE_MAX, std::nullopt},
      {"1e2", 0, 1000, SIZE_MAX, std::nullopt},
      {"0x1", 0, 10, SIZE_MAX, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readDigits(c.text, c.low, c.high, c.mostLength), c.expected) << "'" << c.text << "'";
  }
}

TEST(NumberReader, WholeNumbers) {
  struct Case {
    std::string text;
    int64_t low, high;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {"12", 1, 16, 12},          {"-12", INT32_MIN, INT32_MAX, -12},
      {"-0", -5, 5, 0},           {"05", 1, 16, 5},
      {"17", 1, 16, std::nullopt}, {"0", 1, 16, std::nullopt},
      {"+5", 1, 16, std::nullopt}, {"-", -5, 5, std::nullopt},
      {"", -5, 5, std::nullopt},   {"5x", 1, 16, std::nullopt},
      {" 5", 1, 16, std::nullopt}, {"2147483648", INT32_MIN, INT32_MAX, std::nullopt},
      {"-9223372036854775808", INT64_MIN, INT64_MAX, INT64_MIN},
      {"9223372036854775808", INT64_MIN, INT64_MAX, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readWholeNumber(c.text, c.low, c.high), c.expected) << "'" << c.text << "'";
  }
}

TEST(NumberReader, Decimals) {
  struct Case {
    std::string text;
    double low, high;
    std::optional<double> expected;
  };
  const Case cases[] = {
      {"0.02", 0.000001, 0.5, 0.02}, {".5", 0, 1, 0.5},          {"1e-3", 0, 1, 0.001},
      {"+0.25", 0, 1, 0.25},         {"0.5", 0, 0.5, 0.5},        {"0.50001", 0, 0.5, std::nullopt},
      {"0", 0.000001, 0.5, std::nullopt}, {"", 0, 1, std::nullopt}, {"nan", 0, 1, std::nullopt},
      {"inf", 0, 1e300, std::nullopt}, {"1e999", 0, 1e300, std::nullopt}, {"0x1", 0, 2, std::nullopt},
      {" 0.1", 0, 1, std::nullopt},  {"0.1.", 0, 1, std::nullopt}, {"-", -1, 1, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readDecimal(c.text, c.low, c.high), c.expected) << "'" << c.text << "'";
  }
}

}  // namespace
