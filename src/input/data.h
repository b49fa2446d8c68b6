#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "input/hetero_sum.h"
#include "input/line_parser.h"

// A table of integer rows read from one genotype file (parents.PAR or sons.PRO),
// one missing flag per row. Members are public: the table checks set nLoci
// and the search and the builders read the rows.
class Data {
 public:
  // Reads and converts the whole file. Throws RunFailure with
  // "can not find <name> input file\n" when it cannot be opened for reading (or
  // is a directory), "can not read <name> input file\n" on a read error, and the
  // conversion message when a token reads as zero or beyond 32 bits (its detail
  // names the line, the column and the token). With `threads` above 1 a large
  // file is parsed on that many threads, with the same table or failure.
  Data(const std::string& fileName, int missing, const std::string& comment, unsigned threads = 1);

  // The same table built from text already in memory (tests, fuzzing).
  static Data fromText(const std::string& text, int missing, const std::string& comment,
                       const std::string& fileName = "");

  Data(const Data&) = delete;
  Data& operator=(const Data&) = delete;
  Data(Data&&) = default;
  Data& operator=(Data&&) = default;

  // The first character of `comment`, or '\0' when there is none.
  char commentMarker() const { return comment.empty() ? '\0' : comment[0]; }

  std::vector<bool> rowHasMissing;
  int flaggedMissing = 0;  // the missing code rowHasMissing flags
  std::vector<size_t> rowLines;  // the file line of each row, from 1
  std::string comment;
  std::string fileName;
  std::vector<std::vector<int>> rows;
  int nLoci = 0;
  TextAfterDigits textAfterDigits;  // values read from tokens with text after their digits
  // Parents: identifiers below this are mothers (--first-father-id).
  int firstFatherId = 2000;

 private:
  Data() = default;
  void loadText(const std::string& text, int missing);
  // Keeps a parsed table's rows, or throws the conversion failure it met.
  void take(ParsedTable&& table);
};
