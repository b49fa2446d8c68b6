#include "input/located_error.h"

#include <cstdio>

namespace {

constexpr size_t kShownTokenLength = 24;

// The token as it may be shown on one line of a terminal.
std::string shownToken(const std::string& token) {
  std::string shown;
  for (size_t i = 0; i < token.size() && i < kShownTokenLength; ++i) {
    const unsigned char c = static_cast<unsigned char>(token[i]);
    if (c == '\r') {
      shown += "\\r";
    } else if (c < 0x20 || c >= 0x7f || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  if (token.size() > kShownTokenLength) shown += "...";
  return shown;
}

// Why convertToken refused the token, read the same way: white space, a sign,
// then the digits it takes the number from.
std::string whyUnreadable(const std::string& token) {
  size_t i = token.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos && token.find('\r') != std::string::npos) {
    return "is a carriage return alone, not a number (a file saved on Windows: convert it with "
           "sed -i 's/\\r$//' FILE)";
  }
  if (i == std::string::npos) i = token.size();
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  const size_t digits = token.find_first_not_of("0123456789", i);
  const size_t end = digits == std::string::npos ? token.size() : digits;
  if (end == i) return "is not a number (untyped alleles are written -99)";
  if (token.find_first_not_of('0', i) >= end) {
    return "is zero, which is not an allele size (untyped alleles are written -99)";
  }
  return "is out of range (-2147483648 to 2147483647)";
}

}  // namespace

std::string describeBadToken(const std::string& fileName, const BadToken& bad) {
  return fileName + ":" + std::to_string(bad.line) + ": column " + std::to_string(bad.column) +
         ": '" + shownToken(bad.token) + "' " + whyUnreadable(bad.token);
}

size_t lineOfRow(const Data& table, size_t row) {
  return row < table.rowLines.size() ? table.rowLines[row] : row + 1;
}

std::string describeRowWidth(const Data& table, size_t row, const std::string& expected) {
  return table.fileName + ":" + std::to_string(lineOfRow(table, row)) + ": " +
         std::to_string(table.rows[row].size()) + " values, expected " + expected;
}
