#include "analysis/family_text.h"

FamilyText::FamilyText(const Data& parents, int32_t motherCount)
    : parents_(parents),
      motherCount_(motherCount),
      loci_(static_cast<size_t>(parents.nLoci)),
      genotypeLines_(parents.rows.size()),
      writer_(underscoreLine(loci_)) {
  numbers_.reserve(parents.rows.size());
  for (const std::vector<int>& row : parents.rows) numbers_.push_back(row[2 * loci_]);
}

void FamilyText::startOffspring(const int32_t* offspring, int sonNumber, bool marked) {
  offspring_ = offspring;
  sonNumber_ = sonNumber;
  sonMarked_ = marked;
  sonText_.clear();
}

void FamilyText::makeGenotypeLine(size_t row) {
  genotypeLines_[row] =
      parentGenotypeLine(static_cast<int32_t>(row) < motherCount_ ? "Mother " : "Father ",
                         number(row), parents_.rows[row].data(), loci_);
}
