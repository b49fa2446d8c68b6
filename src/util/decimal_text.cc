#include "util/decimal_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

std::string printedDecimal(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string decimalText(double value, int decimals) {
  std::string result = printedDecimal(value, decimals);
  if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) result.erase(0, 1);
  return result;
}

std::string decimalText(const std::optional<double>& value, int decimals) {
  return value ? decimalText(*value, decimals) : std::string();
}

std::string shortDecimalText(double value, int decimals) {
  std::string text = decimalText(value, decimals);
  if (text.find('.') == std::string::npos) return text;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

std::string significantText(double value, int digits) {
  constexpr int kMostDecimals = 8;
  if (!(value > 0) || value >= 1) return decimalText(value, 1);
  const int decimals = digits - 1 - static_cast<int>(std::floor(std::log10(value)));
  return decimalText(value, std::min(decimals, kMostDecimals));
}

std::string typedNumberText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

void appendRoundedDecimal(std::string& out, double value, int decimals) {
  // Performance-critical: the ranked table writes a dozen figures a row.
  static constexpr int64_t kPowers[] = {1,         10,         100,         1000,
                                        10000,     100000,     1000000,     10000000,
                                        100000000, 1000000000, 10000000000, 100000000000};
  decimals = std::clamp(decimals, 0, static_cast<int>(std::size(kPowers)) - 1);
  const int64_t scale = kPowers[decimals];
  const int64_t scaled = std::llround(value * static_cast<double>(scale));
  const int64_t magnitude = scaled < 0 ? -scaled : scaled;
  char text[48];
  char* at = text;
  if (scaled < 0) *at++ = '-';
  at = std::to_chars(at, text + sizeof text, magnitude / scale).ptr;
  if (decimals > 0) {
    *at++ = '.';
    int64_t fraction = magnitude % scale;
    for (int d = decimals - 1; d >= 0; --d) {
      at[d] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    at += decimals;
  }
  out.append(text, at);
}
