#pragma once
#include <cstdint>
#include <string>
#include <vector>


// The text pieces the reports are made of, shared by the record-based writers
// and the streaming analysis run so both write the same bytes.

extern const char* const kDashLine;  // 65 minus signs and a line feed

// A candidate as the parent report prints it: identifier and match tag.
struct ReportedCandidate {
  int32_t number;
  bool totalMatch;  // read for SemiIncluded entries only
};

// "Parent.out" opening lines: the radius line (only when there are sons), an
// empty line, the column header and the dash line.
void appendParentHeader(std::string& out, bool haveSons, int radius);
// One offspring's block: its number `n`, its mothers (Included then
// SemiIncluded) each beside the next unwritten father, then the remaining
// fathers alone, then the dash line. Precondition: some list is non-empty.
void appendParentBlock(std::string& out, int n, const std::vector<ReportedCandidate>& mothersIn,
                       const std::vector<ReportedCandidate>& mothersSemi,
                       const std::vector<ReportedCandidate>& fathersIn,
                       const std::vector<ReportedCandidate>& fathersSemi);

// Genotype text: "a1 a2 " per locus, from a row's allele columns (2 * count
// values).
void appendGenotype(std::string& out, const int32_t* alleles, size_t count);
// 17 underscores and 10 more per locus (no line feed).
std::string underscoreLine(size_t loci);

// "Fam.out" opening lines for `sonsWithFamily` distinct offspring.
void appendFamilyHeader(std::string& out, int sonsWithFamily, int radius);

// Writes the family list and genotype listing lines family by family, keeping
// the offspring grouping state between calls.
class FamilyLineWriter {
 public:
  // `underscore` is the genotype listing's separator line.
  explicit FamilyLineWriter(std::string underscore) : underscore_(std::move(underscore)) {}

  // One family of offspring `sonNumber`. `sonGenotype` is the offspring's
  // genotype text, appended only when a new group starts; `motherLine` and
  // `fatherLine` are the complete "Mother ..."/"Father ..." lines.
  void add(std::string& list, std::string& genotypes, int sonNumber, bool marked,
           int motherNumber, int fatherNumber, const std::string& sonGenotype,
           const std::string& motherLine, const std::string& fatherLine);

 private:
  std::string underscore_;
  int previousSon_ = -1;
};

// "Mother 12\t\t<genotype>\n" (role "Mother " or "Father ").
std::string parentGenotypeLine(const char* role, int number, const int32_t* alleles, size_t count);
