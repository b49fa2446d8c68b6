#include "app/analysis_run.h"

#include <algorithm>
#include <memory>

#include "families/fit_masks.h"
#include "reports/report_text.h"
#include "spheres/espacio.h"
#include "spheres/parent_panel.h"
#include "spheres/sphere_filling.h"

namespace {

constexpr size_t kProgressEvery = 256;

// One offspring's candidates of one sex, Included and SemiIncluded, in table order.
struct CandidateLists {
  std::vector<ReportedCandidate> included;
  std::vector<ReportedCandidate> semiIncluded;
  std::vector<int32_t> includedRows;
  std::vector<int32_t> semiRows;
  std::vector<int32_t> ranked;  // rows, best first

  void clear() {
    included.clear();
    semiIncluded.clear();
    includedRows.clear();
    semiRows.clear();
  }

  // Included then SemiIncluded, stably sorted by heteroSum, as selectBestD3 ranks.
  void rank(const std::vector<int32_t>& heteroSums) {
    ranked.assign(includedRows.begin(), includedRows.end());
    ranked.insert(ranked.end(), semiRows.begin(), semiRows.end());
    auto before = [&heteroSums](int32_t a, int32_t b) {
      return heteroSums[static_cast<size_t>(a)] < heteroSums[static_cast<size_t>(b)];
    };
    // Short lists, the usual case, sort in place: stable_sort would allocate a
    // buffer for every offspring.
    if (ranked.size() > 32) {
      std::stable_sort(ranked.begin(), ranked.end(), before);
      return;
    }
    for (size_t i = 1; i < ranked.size(); ++i) {
      const int32_t row = ranked[i];
      size_t j = i;
      for (; j > 0 && before(row, ranked[j - 1]); --j) ranked[j] = ranked[j - 1];
      ranked[j] = row;
    }
  }
};

class Analysis {
 public:
  Analysis(const Data& parents, const Data& sons, int radius, int missing, int mothers)
      : parents_(parents),
        sons_(sons),
        radius_(radius),
        missing_(missing),
        motherCount_(mothers),
        loci_(sons.nLoci),
        panel_(parents, missing),
        heteroSums_(parents.rows.size()),
        genotypeLines_(parents.rows.size()),
        writer_(underscoreLine(static_cast<size_t>(loci_))) {
    for (size_t j = 0; j < parents.rows.size(); ++j) {
      heteroSums_[j] = heteroSumOf(parents.rows[j].data(), loci_);
    }
  }

  // Searches offspring `i`, appending its parent report block, family lines and
  // genotype listing to the buffers.
  void visit(size_t i, std::string& parentText, std::string& familyLines,
             std::string& genotypes) {
    const int32_t* offspring = sons_.rows[i].data();
    hits_.clear();
    panel_.findCandidates(offspring, radius_, 0, panel_.size(), hits_);
    mothers_.clear();
    fathers_.clear();
    for (const SphereHit& hit : hits_) {
      CandidateLists& lists = hit.row < motherCount_ ? mothers_ : fathers_;
      const int32_t parentNumber = number(static_cast<size_t>(hit.row));
      if (isIncluded(hit.near, hit.far, radius_, radius_)) {
        lists.included.push_back({parentNumber, true});
        lists.includedRows.push_back(hit.row);
      } else if (isSemiIncluded(hit.near, hit.far, radius_, radius_)) {
        lists.semiIncluded.push_back({parentNumber, hit.near == 0 || hit.far == 0});
        lists.semiRows.push_back(hit.row);
      }
    }
    if (hits_.empty()) return;
    const int sonNumber = static_cast<int>(i + 1);
    appendParentBlock(parentText, sonNumber, mothers_.included, mothers_.semiIncluded,
                      fathers_.included, fathers_.semiIncluded);
    if (mothers_.included.empty() && mothers_.semiIncluded.empty()) return;
    if (fathers_.included.empty() && fathers_.semiIncluded.empty()) return;
    mothers_.rank(heteroSums_);
    fathers_.rank(heteroSums_);

    FitMasks& masks = masks_;
    masks.reset(offspring, loci_, radius_, radius_, missing_);
    for (int32_t row : mothers_.ranked) masks.add(parents_.rows[static_cast<size_t>(row)].data());
    for (int32_t row : fathers_.ranked) masks.add(parents_.rows[static_cast<size_t>(row)].data());
    const bool sonMarked = sons_.rowHasMissing[i];
    bool hasFamily = false;
    sonText_.clear();
    for (size_t m = 0; m < mothers_.ranked.size(); ++m) {
      const size_t motherRow = static_cast<size_t>(mothers_.ranked[m]);
      for (size_t f = 0; f < fathers_.ranked.size(); ++f) {
        if (!masks.compatible(m, mothers_.ranked.size() + f)) continue;
        const size_t fatherRow = static_cast<size_t>(fathers_.ranked[f]);
        if (!hasFamily) {
          appendGenotype(sonText_, offspring, static_cast<size_t>(loci_));
          hasFamily = true;
        }
        const bool marked =
            sonMarked || parents_.rowHasMissing[motherRow] || parents_.rowHasMissing[fatherRow];
        writer_.add(familyLines, genotypes, sonNumber, marked, number(motherRow),
                    number(fatherRow), sonText_, genotypeLine(motherRow), genotypeLine(fatherRow));
      }
    }
    if (hasFamily) ++sonsWithFamily;
  }

  int sonsWithFamily = 0;

 private:
  int32_t number(size_t row) const { return parents_.rows[row][2 * static_cast<size_t>(loci_)]; }

  const std::string& genotypeLine(size_t row) {
    std::string& line = genotypeLines_[row];
    if (line.empty()) {
      line = parentGenotypeLine(static_cast<int32_t>(row) < motherCount_ ? "Mother " : "Father ",
                                number(row), parents_.rows[row].data(),
                                static_cast<size_t>(loci_));
    }
    return line;
  }

  const Data& parents_;
  const Data& sons_;
  int32_t radius_;
  int32_t missing_;
  int32_t motherCount_;
  int32_t loci_;
  ParentPanel panel_;
  std::vector<int32_t> heteroSums_;
  std::vector<std::string> genotypeLines_;  // built on a parent's first family
  FamilyLineWriter writer_;
  std::vector<SphereHit> hits_;
  CandidateLists mothers_;
  CandidateLists fathers_;
  std::string sonText_;
  FitMasks masks_;
};

}  // namespace

SinkResults analyse(Data& parents, Data& sons, int radius, int missing, const ReportSinks& sinks,
                    RunProgress* progress) {
  const int nLoci = validateTables(parents, sons);
  const int mothers = contmadres(parents.rows);
  parents.nLoci = nLoci;
  sons.nLoci = nLoci;

  Analysis analysis(parents, sons, radius, missing, mothers);
  std::string parentText;
  std::string familyLines;
  std::string genotypes;
  // Room for a flush's worth and one offspring's text past it, reused.
  parentText.reserve(2 * ReportSink::kFlushBytes);
  genotypes.reserve(2 * ReportSink::kFlushBytes);
  appendParentHeader(parentText, true, radius);
  const size_t total = sons.rows.size();
  for (size_t i = 0; i < total; ++i) {
    analysis.visit(i, parentText, familyLines, genotypes);
    sinks.parents.flushIfLarge(parentText);
    sinks.genotypes.flushIfLarge(genotypes);
    if (progress != nullptr && i % kProgressEvery == 0) progress->update(i, total);
  }
  if (progress != nullptr) progress->update(total, total);
  sinks.parents.write(parentText);
  sinks.genotypes.write(genotypes);
  // The list's first line counts the offspring with a family, so the family
  // lines wait in memory until every offspring has been searched.
  std::string familyText;
  appendFamilyHeader(familyText, analysis.sonsWithFamily, radius);
  sinks.families.write(familyText);
  sinks.families.write(familyLines);
  SinkResults results;
  results.parents = sinks.parents.close();
  results.families = sinks.families.close();
  results.genotypes = sinks.genotypes.close();
  return results;
}

std::vector<std::string> runAnalysis(Data& parents, Data& sons, int radius,
                                     RunProgress* progress) {
  // Validate before creating any report, so bad input leaves old reports alone.
  validateTables(parents, sons);
  ReportFile parentFile("Parent.out");
  ReportFile familyFile("Fam.out");
  ReportFile genotypeFile("Famgenotypes.out");
  // The reports are written side by side, so a name linked to another report's
  // file would interleave the two. Such a file holds only the report opened
  // last, as when each report is written and closed in turn.
  if (parentFile.sharesFileWith(familyFile) || parentFile.sharesFileWith(genotypeFile)) {
    parentFile.leaveToLaterReport();
  }
  if (familyFile.sharesFileWith(genotypeFile)) familyFile.leaveToLaterReport();
  // The progress line is cleared however the analysis ends (out of memory
  // included), so no message is printed after a stale line.
  struct FinishProgress {
    RunProgress* progress;
    ~FinishProgress() {
      if (progress != nullptr) progress->finish();
    }
  } finishProgress{progress};
  const SinkResults results = analyse(parents, sons, radius, valoresperdidos,
                                      {parentFile, familyFile, genotypeFile}, progress);
  std::vector<std::string> unwritten;
  if (!results.parents) unwritten.push_back(parentFile.name());
  if (!results.families) unwritten.push_back(familyFile.name());
  if (!results.genotypes) unwritten.push_back(genotypeFile.name());
  return unwritten;
}
