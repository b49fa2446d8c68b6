#include "input/located_error.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr size_t kShownTokenLength = 24;

}  // namespace

std::string shownText(const std::string& text, size_t fullLength) {
  std::string shown;
  for (size_t i = 0; i < text.size() && i < kShownTokenLength; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
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
  if (std::max(fullLength, text.size()) > kShownTokenLength) shown += "...";
  return shown;
}

namespace {

std::string explanation(TokenFault fault, const std::string& fileName) {
  switch (fault) {
    case TokenFault::NotANumber:
      return "is not a number (untyped alleles are written -99)";
    case TokenFault::Zero:
      return "is zero, which is not an allele size (untyped alleles are written -99)";
    case TokenFault::OutOfRange:
      return "is out of range (-2147483648 to 2147483647)";
    case TokenFault::TooLong:
      return "is over " + std::to_string(kMostTokenBytes) +
             " bytes long, which no value is";
    case TokenFault::CarriageReturn:
      break;
  }
  return "is a carriage return alone, not a number (a file saved on Windows: convert it with "
         "sed -i 's/\\r$//' " + fileName + ")";
}

}  // namespace

std::string describeBadToken(const std::string& fileName, const BadToken& bad) {
  return fileName + ":" + std::to_string(bad.line) + ": column " + std::to_string(bad.column) +
         ": '" + shownText(bad.token, bad.tokenLength) + "' " + explanation(bad.fault, fileName);
}

size_t lineOfRow(const Data& table, size_t row) {
  return row < table.rowLines.size() ? table.rowLines[row] : row + 1;
}

std::string describeRowWidth(const Data& table, size_t row, const std::string& expected) {
  const size_t values = table.rows[row].size();
  return table.fileName + ":" + std::to_string(lineOfRow(table, row)) + ": " +
         std::to_string(values) + (values == 1 ? " value" : " values") + ", expected " + expected;
}
