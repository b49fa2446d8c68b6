#include "markers/decimal_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string decimalText(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  std::string result(text);
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
