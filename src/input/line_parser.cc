#include "input/line_parser.h"

const char* const kConversionMessage =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";

namespace {

// The C locale's isspace, which is what strtol skips before the number.
bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Why convertToken refused `token`, read the same way: white space, a sign,
// then the digits it takes the number from.
TokenFault faultOf(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && isCSpace(token[i])) ++i;
  if (i == token.size()) {
    return token.find('\r') == std::string_view::npos ? TokenFault::NotANumber
                                                       : TokenFault::CarriageReturn;
  }
  if (token[i] == '+' || token[i] == '-') ++i;
  size_t end = i;
  while (end < token.size() && token[end] >= '0' && token[end] <= '9') ++end;
  if (end == i) return TokenFault::NotANumber;
  const size_t significant = token.find_first_not_of('0', i);
  return significant >= end ? TokenFault::Zero : TokenFault::OutOfRange;
}

}  // namespace

bool convertToken(std::string_view token, int32_t* value) {
  size_t i = 0;
  while (i < token.size() && isCSpace(token[i])) ++i;
  bool negative = false;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  // Accumulate the magnitude, stopping once it can no longer fit 32 bits so a
  // long run of digits cannot overflow the accumulator.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (token[i] - '0');
    if (magnitude > kLimit) return false;
  }
  const int64_t v = negative ? -magnitude : magnitude;
  if (v == 0 || v > INT32_MAX || v < INT32_MIN) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

LineKind parseLine(std::string_view line, char commentMarker, int32_t missing,
                   std::vector<int32_t>& row, bool& hasMissing) {
  hasMissing = false;
  bool blank = true;
  for (char c : line) {
    if (!isSeparator(c)) {
      blank = false;
      break;
    }
  }
  if (blank) return LineKind::Blank;
  if (line[0] == commentMarker) return LineKind::Comment;

  // A marker that is a digit or a minus sign could hide inside a plain number,
  // so the quick path for plain numbers is only taken when it cannot.
  const bool quickNumbers = !(commentMarker == '-' || (commentMarker >= '0' && commentMarker <= '9'));
  bool pendingInvalid = false;
  const size_t size = line.size();
  size_t i = 0;
  while (i < size) {
    const char c = line[i];
    if (isSeparator(c)) {
      ++i;
      continue;
    }
    // A marker anywhere drops the whole line, even after converted values.
    if (c == commentMarker) return LineKind::Comment;

    // Most tokens are plain numbers: an optional minus and up to nine digits.
    int32_t v = 0;
    size_t end = i + (c == '-' ? 1 : 0);
    const size_t digitsStart = end;
    int64_t magnitude = 0;
    while (end < size && end - digitsStart < 10 && line[end] >= '0' && line[end] <= '9') {
      magnitude = magnitude * 10 + (line[end] - '0');
      ++end;
    }
    const size_t digits = end - digitsStart;
    if (quickNumbers && digits > 0 && digits <= 9 && (end == size || isSeparator(line[end]))) {
      v = static_cast<int32_t>(c == '-' ? -magnitude : magnitude);
      if (v == 0) return LineKind::Unreadable;
    } else {
      end = i;
      while (end < size && !isSeparator(line[end])) {
        if (line[end] == commentMarker) return LineKind::Comment;
        ++end;
      }
      if (!convertToken(line.substr(i, end - i), &v)) return LineKind::Unreadable;
    }
    i = end;

    if (pendingInvalid) {
      v = kInvalidValue;
      pendingInvalid = false;
    }
    // An impossible negative poisons the rest of its row: the columns after it
    // can no longer be trusted to sit at their locus.
    if (v < 0 && v != missing) {
      v = kInvalidValue;
      pendingInvalid = true;
    }
    if (!hasMissing) hasMissing = (v == missing);
    row.push_back(v);
  }
  return LineKind::Row;
}

BadToken findBadToken(std::string_view line) {
  BadToken bad;
  size_t i = 0;
  while (i < line.size()) {
    if (isSeparator(line[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < line.size() && !isSeparator(line[end])) ++end;
    ++bad.column;
    int32_t ignored = 0;
    const std::string_view token = line.substr(i, end - i);
    if (!convertToken(token, &ignored)) {
      bad.token = std::string(token.substr(0, BadToken::kKeptTokenBytes));
      bad.tokenLength = token.size();
      bad.fault = faultOf(token);
      return bad;
    }
    i = end;
  }
  bad.column = 0;
  return bad;
}

bool TableParser::readLine(std::string_view line) {
  ++lineNumber_;
  row_.clear();
  bool hasMissing = false;
  switch (parseLine(line, marker_, missing_, row_, hasMissing)) {
    case LineKind::Row:
      table_.rows.push_back(row_);
      table_.rowHasMissing.push_back(hasMissing);
      table_.rowLines.push_back(lineNumber_);
      break;
    case LineKind::Unreadable:
      table_.unreadable = true;
      table_.badToken = findBadToken(line);
      table_.badToken.line = lineNumber_;
      return false;
    case LineKind::Blank:
    case LineKind::Comment:
      break;
  }
  return true;
}

bool TableParser::feed(std::string_view piece) {
  while (!table_.unreadable && !piece.empty()) {
    const size_t end = piece.find('\n');
    if (end == std::string_view::npos) {
      partial_.append(piece.data(), piece.size());
      break;
    }
    if (partial_.empty()) {
      readLine(piece.substr(0, end));
    } else {
      partial_.append(piece.data(), end);
      readLine(partial_);
      partial_.clear();
    }
    piece.remove_prefix(end + 1);
  }
  return !table_.unreadable;
}

bool TableParser::finish() {
  if (!table_.unreadable && !partial_.empty()) readLine(partial_);
  partial_.clear();
  return !table_.unreadable;
}

ParsedTable parseTable(std::string_view text, char commentMarker, int32_t missing) {
  TableParser parser(commentMarker, missing);
  parser.feed(text);
  parser.finish();
  return std::move(parser.table());
}
