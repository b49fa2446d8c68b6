#include "input/located_error.h"

#include "util/escaped_text.h"

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
