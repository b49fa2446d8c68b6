#include "util/number_reader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

std::optional<uint64_t> readDigits(std::string_view text, uint64_t low, uint64_t high,
                                   size_t mostLength) {
  if (text.empty() || text.size() > mostLength ||
      text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result r = std::from_chars(text.data(), end, value);
  if (r.ec != std::errc() || r.ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<int64_t> readWholeNumber(std::string_view text, int64_t low, int64_t high) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const std::from_chars_result r = std::from_chars(text.data(), end, value);
  if (text.empty() || r.ec != std::errc() || r.ptr != end || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> readDecimal(std::string_view text, double low, double high) {
  if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::string terminated(text);
  char* end = nullptr;
  const double value = std::strtod(terminated.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value) || value < low || value > high) return std::nullopt;
  return value;
}
