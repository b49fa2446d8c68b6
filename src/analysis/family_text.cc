#include "analysis/family_text.h"

FamilyText::FamilyText(const Data& parents, int32_t motherCount)
    : parents_(parents),
      motherCount_(motherCount),
      loci_(static_cast<size_t>(parents.nLoci)),
      genotypeLines_(parents.rows.size()),
      writer_(underscoreLine(loci_)) {}

void FamilyText::startOffspring(const int32_t* offspring, int sonNumber, bool marked) {
  offspring_ = offspring;
  sonNumber_ = sonNumber;
  sonMarked_ = marked;
  sonText_.clear();
}

void FamilyText::add(std::string& familyLines, std::string& genotypes, size_t motherRow,
                     size_t fatherRow) {
  if (sonText_.empty()) appendGenotype(sonText_, offspring_, loci_);
  const bool marked =
      sonMarked_ || parents_.rowHasMissing[motherRow] || parents_.rowHasMissing[fatherRow];
  writer_.add(familyLines, genotypes, sonNumber_, marked, number(motherRow), number(fatherRow),
              sonText_, genotypeLine(motherRow), genotypeLine(fatherRow));
}

const std::string& FamilyText::genotypeLine(size_t row) {
  std::string& line = genotypeLines_[row];
  if (line.empty()) {
    line = parentGenotypeLine(static_cast<int32_t>(row) < motherCount_ ? "Mother " : "Father ",
                              number(row), parents_.rows[row].data(), loci_);
  }
  return line;
}
