#include "reference/decimal_text.h"

#include <cmath>
#include <cstdint>

std::string digittoS(int digit) {
  if (digit < 0 || digit > 9) return "";
  return std::string(1, static_cast<char>('0' + digit));
}

std::string ItoS(int value) {
  if (value == 0) return "0";
  std::string text;
  int64_t magnitude = value;
  if (value < 0) {
    text = "-";
    magnitude = -magnitude;
  }
  // log10 is exact at powers of ten for every int magnitude, so p + 1 is the
  // digit count.
  const int p = static_cast<int>(std::log10(static_cast<double>(magnitude)));
  int64_t rest = magnitude;
  for (int k = p; k >= 0; --k) {
    const auto place = static_cast<int64_t>(std::pow(10.0, k));
    const int64_t digit = rest / place;
    text += digittoS(static_cast<int>(digit));
    rest -= digit * place;
  }
  return text;
}
