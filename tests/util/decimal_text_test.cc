// The one home of fixed-decimal text: each rounding on worked values, and
// the typed form the same as a stream's six significant digits.
#include <iomanip>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "util/decimal_text.h"

namespace {

TEST(DecimalText, PrintedAndTidied) {
  EXPECT_EQ(printedDecimal(0.125, 4), "0.1250");
  EXPECT_EQ(printedDecimal(-0.00001, 4), "-0.0000");
  EXPECT_EQ(decimalText(-0.00001, 4), "0.0000");
  EXPECT_EQ(decimalText(-0.5, 1), "-0.5");
  EXPECT_EQ(decimalText(std::optional<double>(), 2), "");
  EXPECT_EQ(shortDecimalText(2.0, 3), "2");
  EXPECT_EQ(shortDecimalText(0.5, 3), "0.5");
  EXPECT_EQ(significantText(0.000543, 2), "0.00054");
  EXPECT_EQ(significantText(1.84, 2), "1.8");
}

TEST(DecimalText, RoundedHalfAwayFromZero) {
  const std::tuple<double, int, const char*> cases[] = {
      {0.0005, 3, "0.001"},   {-0.0005, 3, "-0.001"}, {-0.0004, 3, "0.000"}, {12.3456, 3, "12.346"},
      {1.0, 4, "1.0000"},     {0.99995, 4, "1.0000"}, {-3.5, 0, "-4"},       {0.25, 1, "0.3"},
  };
  for (const auto& [value, decimals, text] : cases) {
    std::string out = "x";
    appendRoundedDecimal(out, value, decimals);
    EXPECT_EQ(out, std::string("x") + text) << value;
  }
}

TEST(DecimalText, TypedAsAStreamWritesIt) {
  for (double value : {0.02, 0.5, 1.0, 1e-6, 0.000001234567, 123456789.0, 0.1 + 0.2, 0.0, 3.0}) {
    std::ostringstream stream;
    stream << std::setprecision(6) << value;
    EXPECT_EQ(typedNumberText(value), stream.str());
  }
}

}  // namespace
