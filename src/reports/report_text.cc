#include "reports/report_text.h"

#include <algorithm>
#include <cstring>

#include "reports/number_text.h"

namespace {

constexpr char kDashText[] = "-----------------------------------------------------------------\n";

constexpr char kIncludedTag[] = "(I-TOTAL MATCH)";
constexpr char kSemiTotalTag[] = "(S-TOTAL MATCH)";
constexpr char kSemiPartialTag[] = "(NON-TOTAL MATCH)";
// The most one candidate's text takes: its number and the longest tag.
constexpr size_t kMostCandidateText = kMaxIntText + sizeof kSemiPartialTag - 1;
// The most one block line takes: seven tabs, two candidates and a line feed.
constexpr size_t kMostBlockLine = 7 + 2 * kMostCandidateText + 1;

template <size_t N>
char* put(char* out, const char (&text)[N]) {
  std::memcpy(out, text, N - 1);
  return out + N - 1;
}

char* put(char* out, const std::string& text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* putCandidate(char* out, const ReportedCandidate& c, bool semi) {
  out = writeInt(out, c.number);
  if (!semi) return put(out, kIncludedTag);
  return c.totalMatch ? put(out, kSemiTotalTag) : put(out, kSemiPartialTag);
}

}  // namespace

const char* const kDashLine = kDashText;

void appendParentHeader(std::string& out, bool haveSons, int radius) {
  if (haveSons) {
    out += "Radius = ";
    appendInt(out, radius);
    out += '\n';
  }
  out += "\nSONS\t\tMOTHERS\t\t\t\tFATHERS\t\n";
  out += kDashLine;
}

void appendParentBlock(std::string& out, int n, const std::vector<ReportedCandidate>& mothersIn,
                       const std::vector<ReportedCandidate>& mothersSemi,
                       const std::vector<ReportedCandidate>& fathersIn,
                       const std::vector<ReportedCandidate>& fathersSemi) {
  // Room is made once per block and the text written in place: every
  // offspring with a candidate has a block.
  const size_t lines =
      mothersIn.size() + mothersSemi.size() + fathersIn.size() + fathersSemi.size();
  const size_t start = out.size();
  out.resize(start + 1 + kMaxIntText + lines * kMostBlockLine + sizeof kDashText - 1);
  char* p = &out[start];
  *p++ = '\n';
  p = writeInt(p, n);
  size_t nextIn = 0;
  size_t nextSemi = 0;
  // Fathers sit beside mothers purely by position: layout, not compatibility.
  auto putNextFather = [&]() {
    if (nextIn < fathersIn.size()) {
      p = putCandidate(p, fathersIn[nextIn++], false);
    } else if (nextSemi < fathersSemi.size()) {
      p = putCandidate(p, fathersSemi[nextSemi++], true);
    }
  };
  auto putMotherRow = [&](const ReportedCandidate& mother, bool semi) {
    p = put(p, "\t\t");
    p = putCandidate(p, mother, semi);
    p = put(p, "\t\t");
    putNextFather();
    *p++ = '\n';
  };
  for (const ReportedCandidate& m : mothersIn) putMotherRow(m, false);
  for (const ReportedCandidate& m : mothersSemi) putMotherRow(m, true);
  for (; nextIn < fathersIn.size(); ++nextIn) {
    p = put(p, "\t\t\t\t\t\t\t");
    p = putCandidate(p, fathersIn[nextIn], false);
    *p++ = '\n';
  }
  for (; nextSemi < fathersSemi.size(); ++nextSemi) {
    p = put(p, "\t\t\t\t\t\t\t");
    p = putCandidate(p, fathersSemi[nextSemi], true);
    *p++ = '\n';
  }
  p = put(p, kDashText);
  out.resize(static_cast<size_t>(p - out.data()));
}

void appendGenotype(std::string& out, const int32_t* alleles, size_t count) {
  // Written in place: genotype text is most of the bytes "Famgenotypes.out" holds.
  const size_t start = out.size();
  out.resize(start + 2 * count * (kMaxIntText + 1));
  char* p = &out[start];
  for (size_t i = 0; i < 2 * count; ++i) {
    p = writeInt(p, alleles[i]);
    *p++ = ' ';
  }
  out.resize(static_cast<size_t>(p - out.data()));
}

std::string underscoreLine(size_t loci) {
  return std::string(17 + 10 * loci, '_');
}

void appendFamilyHeader(std::string& out, int sonsWithFamily, int radius) {
  if (sonsWithFamily != 0) {
    appendInt(out, sonsWithFamily);
    out += " sons with assigned family (R =";
    appendInt(out, radius);
    out += "):\n";
  } else {
    out += "0 No sons with assigned family!\n";
  }
  out += "\nSON\t\tMOTHER\tFATHER\n";
  out += kDashLine;
}

void FamilyLineWriter::add(std::string& list, std::string& genotypes, int sonNumber, bool marked,
                           int motherNumber, int fatherNumber, const std::string& sonGenotype,
                           const std::string& motherLine, const std::string& fatherLine) {
  // Large runs write millions of families: the group heading, once per
  // offspring, is written in place; a family's own text goes in whole pieces
  // without first zero-filling room for it.
  const bool newGroup = sonNumber != previousSon_;
  if (newGroup) {
    const size_t start = genotypes.size();
    genotypes.resize(start + 16 + kMaxIntText + sonGenotype.size() + underscore_.size());
    char* g = &genotypes[start];
    g = put(g, "\nOFFSPRING ");
    char* const number = g;
    g = writeInt(g, sonNumber);
    while (g - number < 4) *g++ = ' ';
    *g++ = '\t';
    g = put(g, sonGenotype);
    *g++ = '\n';
    g = put(g, underscore_);
    *g++ = '\n';
    genotypes.resize(static_cast<size_t>(g - genotypes.data()));
  }
  genotypes += motherLine;
  genotypes += fatherLine;
  genotypes += '\n';

  char line[4 + 3 * kMaxIntText + 4];
  char* l = line;
  if (newGroup) {
    if (sonNumber > 1) *l++ = '\n';
    l = writeInt(l, sonNumber);
  }
  if (marked) *l++ = '*';
  l = put(l, "\t\t");
  l = writeInt(l, motherNumber);
  l = put(l, "\t\t");
  l = writeInt(l, fatherNumber);
  *l++ = '\n';
  list.append(line, static_cast<size_t>(l - line));
  previousSon_ = sonNumber;
}

std::string parentGenotypeLine(const char* role, int number, const int32_t* alleles,
                               size_t count) {
  std::string line = role;
  appendInt(line, number);
  line += "\t\t";
  appendGenotype(line, alleles, count);
  line += '\n';
  return line;
}
