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

// The message shown when a token does not read as a usable number.
extern const char* const kConversionMessage;

enum class LineKind {
  Blank,       // empty, or only spaces and tabs: skipped
  Comment,     // holds the comment marker: dropped, values and all
  Row,         // values appended to the row
  Unreadable,  // a token reads as zero or lies outside the 32-bit range
};

// True for the characters that separate values.
inline bool isSeparator(char c) { return c == ' ' || c == '\t' || c == '\n'; }

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

// The rows of a whole text, in order, with one missing flag per row.
struct ParsedTable {
  std::vector<std::vector<int32_t>> rows;
  std::vector<bool> rowHasMissing;
  bool unreadable = false;  // stopped at a line that does not convert
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

 private:
  bool readLine(std::string_view line);

  char marker_;
  int32_t missing_;
  ParsedTable table_;
  std::vector<int32_t> row_;
  std::string partial_;  // the start of a line the next piece completes
};
