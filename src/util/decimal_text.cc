#include "util/decimal_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

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
  int64_t scale = 1;
  for (int d = 0; d < decimals; ++d) scale *= 10;
  const int64_t scaled = std::llround(value * static_cast<double>(scale));
  const int64_t magnitude = scaled < 0 ? -scaled : scaled;
  if (scaled < 0) out += '-';
  char whole[24];
  out.append(whole, std::to_chars(whole, whole + sizeof whole, magnitude / scale).ptr);
  if (decimals <= 0) return;
  out += '.';
  const int64_t fraction = magnitude % scale;
  for (int64_t digit = scale / 10; digit > 0; digit /= 10) {
    out += static_cast<char>('0' + fraction / digit % 10);
  }
}
