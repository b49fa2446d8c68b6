#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "input/hetero_sum.h"
#include "input/line_parser.h"
#include "records/progenitor.h"
#include "records/son.h"

// A table of integer rows read from one genotype file (parents.PAR or sons.PRO),
// one missing flag per row. Members are public: the sphere search sets nLoci
// and the builders read the rows.
class Data {
 public:
  // Reads and converts the whole file. Throws RunFailure with
  // "can not find <name> input file\n" when it cannot be opened for reading (or
  // is a directory), "can not read <name> input file\n" on a read error, and the
  // conversion message when a token reads as zero or beyond 32 bits (its detail
  // names the line, the column and the token).
  Data(const std::string& fileName, int missing, const std::string& comment);

  // The same table built from text already in memory (tests, fuzzing).
  static Data fromText(const std::string& text, int missing, const std::string& comment,
                       const std::string& fileName = "");

  Data(const Data&) = delete;
  Data& operator=(const Data&) = delete;
  Data(Data&&) = default;
  Data& operator=(Data&&) = default;

  // Converts one line into `row`. Returns true (and records its missing flag)
  // when the line is a row, false for a comment line. Throws RunFailure with the
  // conversion message when a token does not read as a usable number.
  bool get_row(std::string line, int missing, std::vector<int>& row);

  // The records of stored row i. Precondition: nLoci is set and the row holds at
  // least 2*nLoci values (2*nLoci + 1 for a parent: the identifier follows).
  Son generateSon(int i) const;
  Progenitor generateParent(int j) const;

  std::vector<bool> rowHasMissing;
  std::vector<size_t> rowLines;  // the file line of each row, from 1
  std::string comment;
  std::string fileName;
  std::vector<std::vector<int>> rows;
  int nLoci = 0;

 private:
  Data() = default;
  void loadText(const std::string& text, int missing);
  // Keeps a parsed table's rows, or throws the conversion failure it met.
  void take(ParsedTable&& table);
  char commentMarker() const { return comment.empty() ? '\0' : comment[0]; }
};

// The whole content of an input file. Throws RunFailure with the missing-file
// or read-error message for `name`.
std::string readInputFile(const std::string& name);
