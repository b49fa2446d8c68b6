#include "input/line_parser.h"

const char* const kConversionMessage =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";

namespace {

constexpr int32_t kInvalidValue = -100000;

// The C locale's isspace, which is what strtol skips before the number.
bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

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

bool TableParser::readLine(std::string_view line) {
  row_.clear();
  bool hasMissing = false;
  switch (parseLine(line, marker_, missing_, row_, hasMissing)) {
    case LineKind::Row:
      table_.rows.push_back(row_);
      table_.rowHasMissing.push_back(hasMissing);
      break;
    case LineKind::Unreadable:
      table_.unreadable = true;
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
