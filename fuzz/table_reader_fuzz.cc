// Fuzzes the genotype table reader on arbitrary bytes, as the text of a
// parents.PAR or sons.PRO file. Besides the sanitizers it checks the reader
// against a plain, step-by-step reading of the file format (strtol on each
// token, the comment marker, the invalid-value rule), every entry point against
// the others (parseTable, parseLine, get_row, Data::fromText), and the
// promises the later stages build on: no empty row, no zero, no negative value
// other than -99 and -100000, and -100000 running to the end of its row.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "input/data.h"
#include "input/line_parser.h"
#include "reference/row_reader.h"
#include "reference/word_count.h"
#include "status/run_failure.h"

namespace {

constexpr char kMarker = '#';
constexpr int32_t kMissing = -99;
constexpr int32_t kInvalid = -100000;

void check(bool ok, const char* broken) {
  if (ok) return;
  std::fprintf(stderr, "table reader fuzz: %s\n", broken);
  std::abort();
}

bool separates(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool isBlankLine(std::string_view line) {
  for (char c : line) {
    if (!separates(c)) return false;
  }
  return true;
}

// The token's leading number as the C library reads it; false when the format
// rejects it (zero, no digits, or beyond the signed 32-bit range).
bool referenceConvert(std::string_view token, int32_t* value) {
  const std::string text(token);  // strtol stops at an embedded NUL, like any non-digit
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v == 0 || v < INT32_MIN || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

enum class RefKind { Comment, Row, Unreadable };

// One non-blank line, read character by character as the format describes it.
RefKind referenceLine(std::string_view line, std::vector<int32_t>& row, bool& hasMissing) {
  hasMissing = false;
  if (line[0] == kMarker) return RefKind::Comment;
  std::string token;
  bool pendingInvalid = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (separates(c)) continue;
    // A token reaching kMostTokenBytes + 1 bytes with no marker yet is refused.
    if (token.size() == kMostTokenBytes) return RefKind::Unreadable;
    if (c == kMarker) return RefKind::Comment;
    token += c;
    if (i + 1 < line.size() && !separates(line[i + 1])) continue;
    int32_t v = 0;
    if (!referenceConvert(token, &v)) return RefKind::Unreadable;
    if (pendingInvalid) {
      v = kInvalid;
      pendingInvalid = false;
    }
    if (v < 0 && v != kMissing) {
      v = kInvalid;
      pendingInvalid = true;
    }
    if (!hasMissing) hasMissing = v == kMissing;
    row.push_back(v);
    token.clear();
  }
  return RefKind::Row;
}

int referenceWords(std::string_view line) {
  int words = 0;
  bool inWord = false;
  for (char c : line) {
    if (!separates(c) && !inWord) ++words;
    inWord = !separates(c);
  }
  return words;
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void checkRowPromises(const std::vector<int32_t>& row, bool hasMissing) {
  check(!row.empty(), "a stored row is empty");
  bool invalidSeen = false;
  bool missingSeen = false;
  for (int32_t v : row) {
    check(v != 0, "a stored value is 0");
    check(v > 0 || v == kMissing || v == kInvalid, "a negative value other than -99 or -100000");
    if (invalidSeen) check(v == kInvalid, "a value after -100000 is not -100000");
    invalidSeen = invalidSeen || v == kInvalid;
    missingSeen = missingSeen || v == kMissing;
  }
  check(hasMissing == missingSeen, "a row's missing flag disagrees with its values");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The whole input as one token.
  int32_t fromReader = 0;
  int32_t fromLibrary = 0;
  const bool readerAccepts = convertToken(text, &fromReader);
  check(readerAccepts == referenceConvert(text, &fromLibrary), "convertToken accepts differently");
  if (readerAccepts) check(fromReader == fromLibrary, "convertToken reads another value");

  // Line by line: the reference, parseLine and get_row.
  ParsedTable expected;
  Data byLine = Data::fromText("", kMissing, "#");
  for (std::string_view line : linesOf(text)) {
    check(cont_words(std::string(line)) == referenceWords(line), "cont_words miscounts");
    std::vector<int32_t> parsed;
    bool parsedMissing = false;
    const LineKind kind = parseLine(line, kMarker, kMissing, parsed, parsedMissing);
    if (isBlankLine(line)) {
      check(kind == LineKind::Blank, "a blank line is not Blank");
      continue;
    }
    std::vector<int32_t> row;
    bool hasMissing = false;
    const RefKind ref = referenceLine(line, row, hasMissing);

    std::vector<int32_t> viaGetRow;
    bool getRowStored = false;
    bool getRowUnreadable = false;
    try {
      getRowStored = get_row(byLine, std::string(line), kMissing, viaGetRow);
    } catch (const RunFailure& failure) {
      check(std::string(failure.what()) == kConversionMessage, "get_row throws another message");
      check(failure.status() == 1, "get_row fails with a status other than 1");
      getRowUnreadable = true;
    }

    if (ref == RefKind::Unreadable) {
      check(kind == LineKind::Unreadable, "parseLine accepts an unreadable line");
      check(getRowUnreadable, "get_row accepts an unreadable line");
      expected.unreadable = true;
      break;
    }
    check(!getRowUnreadable, "get_row rejects a readable line");
    if (ref == RefKind::Comment) {
      check(kind == LineKind::Comment, "parseLine keeps a comment line");
      check(!getRowStored, "get_row stores a comment line");
      continue;
    }
    check(kind == LineKind::Row, "parseLine does not store a row line");
    check(parsed == row && parsedMissing == hasMissing, "parseLine reads other values");
    check(getRowStored && viaGetRow == row, "get_row reads other values");
    check(static_cast<int>(row.size()) == referenceWords(line),
          "a row does not hold one value per word");
    checkRowPromises(row, hasMissing);
    expected.rows.push_back(row);
    expected.rowHasMissing.push_back(hasMissing);
  }
  if (!expected.unreadable) {
    check(byLine.rowHasMissing == expected.rowHasMissing, "get_row records other missing flags");
  }

  // The whole text at once.
  const ParsedTable table = parseTable(text, kMarker, kMissing);
  check(table.unreadable == expected.unreadable, "parseTable decides readability differently");
  if (!expected.unreadable) {
    check(table.rows == expected.rows, "parseTable stores other rows");
    check(table.rowHasMissing == expected.rowHasMissing, "parseTable stores other missing flags");
  }
  try {
    const Data built = Data::fromText(text, kMissing, "#");
    check(!expected.unreadable, "Data::fromText accepts an unreadable text");
    check(built.rows == expected.rows, "Data::fromText stores other rows");
    check(built.rowHasMissing == expected.rowHasMissing, "Data::fromText stores other flags");
    check(built.nLoci == 0, "Data::fromText sets nLoci");
  } catch (const RunFailure& failure) {
    check(expected.unreadable, "Data::fromText rejects a readable text");
    check(std::string(failure.what()) == kConversionMessage,
          "Data::fromText throws another message");
  }
  return 0;
}
