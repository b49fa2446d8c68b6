#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "input/data.h"
#include "reports/report_text.h"

// The "Fam.out" list lines and the "Famgenotypes.out" listing of the families
// the engine forms, written family by family as FamilyLineWriter groups them.
// Each parent's genotype line is built on its first family and kept.
class FamilyText {
 public:
  // Precondition: `parents.nLoci` is set; rows below `motherCount` are mothers.
  FamilyText(const Data& parents, int32_t motherCount);

  // Starts offspring `offspring` (2*nLoci alleles, numbered `sonNumber`);
  // `marked` when its row has a missing value.
  void startOffspring(const int32_t* offspring, int sonNumber, bool marked);

  // Appends the family of the current offspring with parents-table rows
  // `motherRow` and `fatherRow`. Inline: called once per family, the hot path
  // of wide radii.
  void add(std::string& familyLines, std::string& genotypes, size_t motherRow, size_t fatherRow) {
    if (sonText_.empty()) appendGenotype(sonText_, offspring_, loci_);
    const bool marked =
        sonMarked_ || parents_.rowHasMissing[motherRow] || parents_.rowHasMissing[fatherRow];
    writer_.add(familyLines, genotypes, sonNumber_, marked, number(motherRow), number(fatherRow),
                sonText_, genotypeLine(motherRow), genotypeLine(fatherRow));
  }

  int32_t number(size_t row) const { return numbers_[row]; }

 private:
  const std::string& genotypeLine(size_t row) {
    std::string& line = genotypeLines_[row];
    if (line.empty()) makeGenotypeLine(row);
    return line;
  }
  void makeGenotypeLine(size_t row);

  const Data& parents_;
  int32_t motherCount_;
  size_t loci_;
  std::vector<std::string> genotypeLines_;
  // Every parent's identifier in one array: placing a candidate would otherwise
  // read its row, far apart in memory, for one number.
  std::vector<int32_t> numbers_;
  FamilyLineWriter writer_;
  const int32_t* offspring_ = nullptr;
  int sonNumber_ = 0;
  bool sonMarked_ = false;
  std::string sonText_;  // the offspring's genotype, made on its first family
};
