#include "input/line_parser.h"

#include <algorithm>

const char* const kConversionMessage =
    "There was a problem reading the input file. Check it is a plain text file and there are "
    "number instead of text inside.";

namespace {

// The C locale's isspace, which is what strtol skips before the number.
bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Why convertToken refused `token`, read the same way: white space, a sign,
// then the digits it takes the number from.
TokenFault faultOf(std::string_view token) {
  // A long token refused for its length alone reads as a number.
  int32_t ignored = 0;
  if (token.size() > kMostTokenBytes && convertToken(token, &ignored)) return TokenFault::TooLong;
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

namespace {

// True when `token`, read as a number, holds more than white space after its
// digits.
bool hasTextAfterDigits(std::string_view token) {
  size_t i = 0;
  while (i < token.size() && isCSpace(token[i])) ++i;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  while (i < token.size() && token[i] >= '0' && token[i] <= '9') ++i;
  for (; i < token.size(); ++i) {
    if (!isCSpace(token[i])) return true;
  }
  return false;
}

// What parseValues tells of a line beside its values: how many it holds,
// whether one is the missing code, and the values read from tokens with text
// after their digits (how many, and the first of them). One struct, so the
// parsing loop keeps a single pointer for all of it.
struct LineFacts {
  size_t count = 0;
  bool hasMissing = false;
  size_t textCount = 0;
  size_t textColumn = 0;
  int32_t textValue = 0;
  std::string_view textToken;
};

// Counts the value `v` at `column`, read from the token [token, end), in
// `note` when text follows its digits. Out of the parsing loop's way: plain
// numbers never come here.
[[gnu::cold, gnu::noinline]] void noteTextAfterDigits(LineFacts& facts, const char* token,
                                                      const char* end, size_t column, int32_t v) {
  const std::string_view whole(token, static_cast<size_t>(end - token));
  if (!hasTextAfterDigits(whole) || facts.textCount++ != 0) return;
  facts.textColumn = column;
  facts.textValue = v;
  facts.textToken = whole;
}

// The digit `c` stands for, or a value above 9 when it is not a digit.
inline unsigned digitOf(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// The first character at or after `p` that does not separate values.
inline const char* skipSeparators(const char* p, const char* end) {
  while (p != end && isSeparator(*p)) ++p;
  return p;
}

// A value read from a token that is not a plain number: its marker drops the
// line, otherwise it reads as convertToken reads it. `p` is moved past it.
LineKind readOtherToken(const char*& p, const char* end, char commentMarker, int32_t& v) {
  const char* const token = p;
  // A marker anywhere drops the whole line, even after converted values.
  for (; p != end && !isSeparator(*p); ++p) {
    if (static_cast<size_t>(p - token) == kMostTokenBytes) return LineKind::Unreadable;
    if (*p == commentMarker) return LineKind::Comment;
  }
  int32_t converted = 0;
  if (!convertToken(std::string_view(token, static_cast<size_t>(p - token)), &converted)) {
    return LineKind::Unreadable;
  }
  v = converted;
  return LineKind::Row;
}

// parseLine's work on the characters [p, end), writing the values to `out`,
// which has room for (end - p + 1) / 2 of them, and their count to `count`.
// Values with text after their digits are counted in `note` (only tokens that
// are not plain numbers are looked at).
LineKind parseValues(const char* p, const char* const end, char commentMarker, int32_t missing,
                     int32_t* const out, LineFacts& facts) {
  const char* const lineStart = p;
  p = skipSeparators(p, end);
  if (p == end) return LineKind::Blank;
  if (*lineStart == commentMarker) return LineKind::Comment;

  // A marker that is a digit or a minus sign could hide inside a plain number,
  // so the quick path for plain numbers is only taken when it cannot.
  const bool quickNumbers = !(commentMarker == '-' || (commentMarker >= '0' && commentMarker <= '9'));
  // Nine digits always fit 32 bits; longer numbers take the full conversion.
  constexpr ptrdiff_t kQuickDigits = 9;
  int32_t* next = out;
  bool pendingInvalid = false;
  bool sawMissing = false;
  for (;;) {
    // Most tokens are plain numbers: an optional minus and up to nine digits.
    // A longer run of digits may wrap `magnitude`, but is then not plain.
    const char* const token = p;
    const bool negative = *p == '-';
    if (negative) ++p;
    const char* const digits = p;
    uint32_t magnitude = 0;
    for (unsigned d; p != end && (d = digitOf(*p)) <= 9; ++p) magnitude = magnitude * 10 + d;
    int32_t v = 0;
    if (quickNumbers && magnitude != 0 && p - digits <= kQuickDigits && (p == end || isSeparator(*p))) {
      v = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
    } else {
      p = token;
      const LineKind kind = readOtherToken(p, end, commentMarker, v);
      if (kind != LineKind::Row) return kind;
      noteTextAfterDigits(facts, token, p, static_cast<size_t>(next - out) + 1, v);
    }

    if (v < 0 || pendingInvalid) {
      if (pendingInvalid) {
        v = kInvalidValue;
        pendingInvalid = false;
      }
      // An impossible negative poisons the rest of its row: the columns after
      // it can no longer be trusted to sit at their locus.
      if (v < 0 && v != missing) {
        v = kInvalidValue;
        pendingInvalid = true;
      }
    }
    sawMissing |= v == missing;
    *next++ = v;
    // The token ended at the line's end or at a separator, already seen.
    if (p == end) break;
    p = skipSeparators(p + 1, end);
    if (p == end) break;
  }
  facts.count = static_cast<size_t>(next - out);
  facts.hasMissing = sawMissing;
  return LineKind::Row;
}

// The most values a line of `length` characters can hold: each takes a
// character and a separator.
size_t mostValues(size_t length) { return (length + 1) / 2; }

}  // namespace

LineKind parseLine(std::string_view line, char commentMarker, int32_t missing,
                   std::vector<int32_t>& row, bool& hasMissing) {
  const size_t first = row.size();
  row.resize(first + mostValues(line.size()));
  LineFacts facts;
  const LineKind kind = parseValues(line.data(), line.data() + line.size(), commentMarker, missing,
                                    row.data() + first, facts);
  row.resize(first + facts.count);
  hasMissing = facts.hasMissing;
  return kind;
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
    if (token.size() > kMostTokenBytes || !convertToken(token, &ignored)) {
      bad.token = std::string(token.substr(0, BadToken::kKeptTokenBytes));
      bad.tokenLength = std::min(token.size(), kMostTokenBytes + 1);
      bad.fault = faultOf(token);
      return bad;
    }
    i = end;
  }
  bad.column = 0;
  return bad;
}

LineStart knownFromStart(std::string_view text, char commentMarker) {
  if (!text.empty() && text[0] == commentMarker) return LineStart::Comment;
  // The tokens in turn, as parseLine takes them: the first holding the marker
  // or not converting decides.
  for (size_t i = 0; i < text.size();) {
    if (isSeparator(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    for (; end < text.size() && !isSeparator(text[end]); ++end) {
      if (end - i == kMostTokenBytes) return LineStart::Unreadable;
      if (text[end] == commentMarker) return LineStart::Comment;
    }
    if (end == text.size()) return LineStart::Open;  // the last token may go on
    int32_t ignored = 0;
    if (!convertToken(text.substr(i, end - i), &ignored)) return LineStart::Unreadable;
    i = end;
  }
  return LineStart::Open;
}

bool TableParser::readLine(std::string_view line) {
  ++lineNumber_;
  // The values go to a scratch row that only grows, then to a row of their
  // exact size: the scratch has room for as many values as the line could hold.
  if (scratch_.size() < mostValues(line.size())) scratch_.resize(mostValues(line.size()));
  LineFacts facts;
  switch (parseValues(line.data(), line.data() + line.size(), marker_, missing_, scratch_.data(),
                      facts)) {
    case LineKind::Row:
      table_.rows.emplace_back(scratch_.data(), scratch_.data() + facts.count);
      table_.rowHasMissing.push_back(facts.hasMissing);
      table_.rowLines.push_back(lineNumber_);
      if (facts.textCount != 0) {
        keepTextAfterDigits(facts.textCount, facts.textColumn, facts.textValue, facts.textToken);
      }
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

void TableParser::keepTextAfterDigits(size_t count, size_t column, int32_t value,
                                      std::string_view token) {
  TextAfterDigits& found = table_.textAfterDigits;
  found.count += count;
  if (found.places.size() == TextAfterDigits::kPlacesKept) return;
  found.places.push_back({lineNumber_, column, value,
                          std::string(token.substr(0, BadToken::kKeptTokenBytes)), token.size()});
}

void TextAfterDigits::append(const TextAfterDigits& later, size_t linesBefore) {
  count += later.count;
  for (const Place& place : later.places) {
    if (places.size() == kPlacesKept) break;
    places.push_back(place);
    places.back().line += linesBefore;
  }
}

// A line that has grown long without its end is read as soon as it is known
// unreadable, and a comment line is no longer kept; a row keeps growing, and
// is checked again at twice the size.
void TableParser::checkLongLine() {
  switch (knownFromStart(partial_, marker_)) {
    case LineStart::Open:
      nextCheck_ = 2 * partial_.size();
      return;
    case LineStart::Unreadable:
      readLine(partial_);
      break;
    case LineStart::Comment:
      skipping_ = true;
      break;
  }
  std::string().swap(partial_);
  nextCheck_ = kFirstCheck;
}

bool TableParser::feed(std::string_view piece) {
  while (!table_.unreadable && !piece.empty()) {
    const size_t end = piece.find('\n');
    if (skipping_) {
      if (end == std::string_view::npos) break;
      skipping_ = false;
      ++lineNumber_;
    } else if (end == std::string_view::npos) {
      partial_.append(piece.data(), piece.size());
      if (partial_.size() >= nextCheck_) checkLongLine();
      break;
    } else if (partial_.empty()) {
      readLine(piece.substr(0, end));
    } else {
      partial_.append(piece.data(), end);
      readLine(partial_);
      partial_.clear();
      nextCheck_ = kFirstCheck;
    }
    piece.remove_prefix(end + 1);
  }
  return !table_.unreadable;
}

bool TableParser::finish() {
  if (skipping_) {
    ++lineNumber_;
    skipping_ = false;
  } else if (!table_.unreadable && !partial_.empty()) {
    readLine(partial_);
  }
  partial_.clear();
  return !table_.unreadable;
}

ParsedTable parseTable(std::string_view text, char commentMarker, int32_t missing) {
  TableParser parser(commentMarker, missing);
  parser.feed(text);
  parser.finish();
  return std::move(parser.table());
}
