#pragma once
#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Pure parsing of the genotype table text format, kept apart from file handling
// so tests and fuzzers can drive it on strings.
//
// Format: values are separated by spaces, tabs and line feeds only (a carriage
// return or a comma belongs to its token); a line holding the comment marker
// anywhere is dropped whole; each token is read as its leading decimal number.

// What a negative value other than the missing code becomes, and with it every
// later value of its row.
constexpr int32_t kInvalidValue = -100000;

// The message shown when a token does not read as a usable number.
extern const char* const kConversionMessage;

enum class LineKind {
  Blank,       // empty, or only spaces and tabs: skipped
  Comment,     // holds the comment marker: dropped, values and all
  Row,         // values appended to the row
  Unreadable,  // a token reads as zero or lies outside the 32-bit range
};

// True for the characters that separate values (space, tab, line feed),
// tested as one comparison and one bit test.
inline bool isSeparator(char c) {
  constexpr uint64_t kSeparatorBits =
      (uint64_t{1} << ' ') | (uint64_t{1} << '\t') | (uint64_t{1} << '\n');
  const unsigned u = static_cast<unsigned char>(c);
  return u <= ' ' && ((kSeparatorBits >> u) & 1) != 0;
}

// The longest token a line may hold: a longer one (a run of zero bytes, a
// binary file) is unreadable at once, unless the comment marker comes within
// its first kMostTokenBytes bytes, so no reader gathers it whole.
constexpr size_t kMostTokenBytes = 4096;

// Reads a token's leading number the way strtol does in base 10 (leading white
// space, optional sign, digits; no digits gives 0). Returns false when that
// number is 0 or outside the signed 32-bit range, which the format rejects.
bool convertToken(std::string_view token, int32_t* value);

// Classifies one line (without its line feed). For a Row, appends the values to
// `row` (invalid negatives and everything after them become -100000) and sets
// `hasMissing` when a stored value equals `missing`. For other kinds `row` may
// hold a partial row that the caller must discard.
LineKind parseLine(std::string_view line, char commentMarker, int32_t missing,
                   std::vector<int32_t>& row, bool& hasMissing);

// Why a token does not read as a usable number.
enum class TokenFault {
  NotANumber,      // no digits where the number should start
  Zero,            // 0, 00, +0: not an allele size
  OutOfRange,      // beyond the signed 32-bit range
  CarriageReturn,  // only white space holding a carriage return (Windows line ends)
  TooLong,         // longer than kMostTokenBytes, yet led by a number
};

// Where a line stopped converting: the first token that does not read as a
// usable number, with its value column (from 1) on that line. Only the
// token's first kKeptTokenBytes bytes are kept.
struct BadToken {
  static constexpr size_t kKeptTokenBytes = 32;
  size_t line = 0;  // in the text, from 1
  size_t column = 0;
  std::string token;
  size_t tokenLength = 0;  // the whole token's, at most kMostTokenBytes + 1
  TokenFault fault = TokenFault::NotANumber;
};

// The first token of `line` that does not convert, with line left 0; the
// caller passes a line parseLine found Unreadable (otherwise column is 0).
BadToken findBadToken(std::string_view line);

// Values read from tokens with text after their digits ("10A_2016" reads as
// 10, "249.5" as 249) on the rows kept: how many, and the first few places.
// White space after the digits (a carriage return) is not text.
struct TextAfterDigits {
  static constexpr size_t kPlacesKept = 3;
  struct Place {
    size_t line = 0;    // in the text, from 1
    size_t column = 0;  // the value's, from 1
    int32_t value = 0;  // what the token was read as
    std::string token;  // its first BadToken::kKeptTokenBytes bytes
    size_t tokenLength = 0;
  };
  size_t count = 0;
  std::vector<Place> places;  // the first kPlacesKept, in text order

  // Adds the values of a later part of the text whose lines follow `linesBefore`.
  void append(const TextAfterDigits& later, size_t linesBefore);
};
// What a line is known to be from its start `text` (no line feed in it),
// whatever follows: a comment, unreadable, or still open. A reader checks a
// line that grows long, so it never holds more of a line that cannot be a row.
enum class LineStart { Open, Comment, Unreadable };
LineStart knownFromStart(std::string_view text, char commentMarker);

// The rows of a whole text, in order, with one missing flag and the text line
// (from 1) of each row.
struct ParsedTable {
  std::vector<std::vector<int32_t>> rows;
  std::vector<bool> rowHasMissing;
  std::vector<size_t> rowLines;
  bool unreadable = false;  // stopped at a line that does not convert
  BadToken badToken;        // where, when unreadable
  TextAfterDigits textAfterDigits;
};
ParsedTable parseTable(std::string_view text, char commentMarker, int32_t missing);

// The same reading fed piece by piece (lines may span pieces), so a file can be
// parsed as it is read without holding its whole text.
class TableParser {
 public:
  TableParser(char commentMarker, int32_t missing) : marker_(commentMarker), missing_(missing) {}
  // Returns false once a line is unreadable; later pieces are then ignored.
  bool feed(std::string_view piece);
  // Ends the text, reading a last line that has no line feed.
  bool finish();
  ParsedTable& table() { return table_; }
  // The lines read so far, the unreadable one included.
  size_t lines() const { return lineNumber_; }

 private:
  bool readLine(std::string_view line);
  // Counts `count` values with text after their digits on the line just
  // read, the first of them at `column`, read from `token` as `value`.
  void keepTextAfterDigits(size_t count, size_t column, int32_t value, std::string_view token);
  void checkLongLine();

  char marker_;
  int32_t missing_;
  ParsedTable table_;
  std::vector<int32_t> scratch_;
  std::string partial_;  // the start of a line the next piece completes
  size_t nextCheck_ = kFirstCheck;  // partial_'s size at which it is next checked
  bool skipping_ = false;           // within a long comment line, not kept
  static constexpr size_t kFirstCheck = size_t{1} << 16;
  size_t lineNumber_ = 0;
};
