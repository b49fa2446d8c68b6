#include "analysis/offspring_analysis.h"

#include "reports/report_text.h"

OffspringAnalysis::OffspringAnalysis(const Data& parents, const Data& sons, int32_t radius,
                                     int32_t missing, int32_t motherCount)
    : parents_(parents),
      sons_(sons),
      radius_(radius),
      missing_(missing),
      motherCount_(motherCount),
      loci_(sons.nLoci),
      panel_(parents, missing),
      heteroSums_(parents.rows.size()),
      familyText_(parents, motherCount) {
  for (size_t j = 0; j < parents.rows.size(); ++j) {
    heteroSums_[j] = heteroSumOf(parents.rows[j].data(), loci_);
  }
}

void OffspringAnalysis::visit(size_t i, std::string& parentText, std::string& familyLines,
                              std::string& genotypes, OffspringListener* listener) {
  if (rankPositionsFilled_) forgetRankPositions();
  const int32_t* offspring = sons_.rows[i].data();
  hits_.clear();
  panel_.findCandidates(offspring, radius_, 0, panel_.size(), hits_);
  mothers_.clear();
  fathers_.clear();
  for (const SphereHit& hit : hits_) {
    CandidateLists& lists = hit.row < motherCount_ ? mothers_ : fathers_;
    lists.place(hit, familyText_.number(static_cast<size_t>(hit.row)), radius_);
  }
  size_t families = 0;
  if (!hits_.empty()) {
    appendParentBlock(parentText, static_cast<int>(i + 1), mothers_.included,
                      mothers_.semiIncluded, fathers_.included, fathers_.semiIncluded);
    if (!mothers_.empty() && !fathers_.empty()) families = pair(i, familyLines, genotypes);
  }
  if (listener != nullptr) listener->offspringDone({i, hits_, families, *this});
}

size_t OffspringAnalysis::pair(size_t i, std::string& familyLines, std::string& genotypes) {
  mothers_.rank(heteroSums_);
  fathers_.rank(heteroSums_);
  const int32_t* offspring = sons_.rows[i].data();
  masks_.reset(offspring, loci_, radius_, radius_, missing_);
  for (int32_t row : mothers_.ranked) masks_.add(parents_.rows[static_cast<size_t>(row)].data());
  for (int32_t row : fathers_.ranked) masks_.add(parents_.rows[static_cast<size_t>(row)].data());
  familyText_.startOffspring(offspring, static_cast<int>(i + 1), sons_.rowHasMissing[i]);
  const size_t motherCount = mothers_.ranked.size();
  size_t families = 0;
  for (size_t m = 0; m < motherCount; ++m) {
    const size_t motherRow = static_cast<size_t>(mothers_.ranked[m]);
    for (size_t f = 0; f < fathers_.ranked.size(); ++f) {
      if (!masks_.compatible(m, motherCount + f)) continue;
      familyText_.add(familyLines, genotypes, motherRow,
                      static_cast<size_t>(fathers_.ranked[f]));
      ++families;
    }
  }
  if (families > 0) ++sonsWithFamily_;
  return families;
}

bool OffspringAnalysis::isFamily(int32_t motherRow, int32_t fatherRow) const {
  if (motherRow < 0 || motherRow >= motherCount_) return false;
  if (fatherRow < motherCount_ || fatherRow >= panel_.size()) return false;
  // Both lists are ranked (and masked) exactly when the offspring was paired.
  if (mothers_.ranked.empty() || fathers_.ranked.empty()) return false;
  if (!rankPositionsFilled_) {
    rankPosition_.resize(static_cast<size_t>(panel_.size()), -1);
    for (const CandidateLists* lists : {&mothers_, &fathers_}) {
      for (size_t at = 0; at < lists->ranked.size(); ++at) {
        rankPosition_[static_cast<size_t>(lists->ranked[at])] = static_cast<int32_t>(at);
      }
    }
    rankPositionsFilled_ = true;
  }
  const int32_t m = rankPosition_[static_cast<size_t>(motherRow)];
  const int32_t f = rankPosition_[static_cast<size_t>(fatherRow)];
  if (m < 0 || f < 0) return false;
  return masks_.compatible(static_cast<size_t>(m), mothers_.ranked.size() + static_cast<size_t>(f));
}

void OffspringAnalysis::forgetRankPositions() const {
  for (const CandidateLists* lists : {&mothers_, &fathers_}) {
    for (int32_t row : lists->ranked) rankPosition_[static_cast<size_t>(row)] = -1;
  }
  rankPositionsFilled_ = false;
}

bool OffspringOutcome::isFamily(int32_t motherRow, int32_t fatherRow) const {
  return analysis.isFamily(motherRow, fatherRow);
}
