#include "analysis/offspring_analysis.h"

#include "input/hetero_sum.h"
#include "reports/report_text.h"

SearchTables::SearchTables(const CheckedTables& tables, int32_t radius)
    : checked(tables),
      radius(radius),
      panel(tables.parents, tables.missing),
      heteroSums(tables.parents.rows.size()) {
  for (size_t j = 0; j < tables.parents.rows.size(); ++j) {
    heteroSums[j] = heteroSumOf(tables.parents.rows[j].data(), tables.loci);
  }
}

OffspringAnalysis::OffspringAnalysis(const SearchTables& tables)
    : tables_(tables),
      familyText_(tables.checked.parents, tables.checked.mothers),
      pairing_(tables.checked.mothers, tables.panel.size()) {}

void OffspringAnalysis::visit(size_t i, BlockOutput& out, bool tell,
                              const std::function<void(BlockOutput&)>& flush,
                              OffspringWorker* worker) {
  const int32_t* offspring = tables_.checked.offspring.rows[i].data();
  hits_.clear();
  tables_.panel.findCandidates(offspring, tables_.radius, 0, tables_.panel.size(), hits_,
                               scratch_);
  mothers_.clear();
  fathers_.clear();
  for (const SphereHit& hit : hits_) {
    CandidateLists& lists = hit.row < tables_.checked.mothers ? mothers_ : fathers_;
    lists.place(hit, familyText_.number(static_cast<size_t>(hit.row)), tables_.radius);
  }
  size_t families = 0;
  const bool paired = !hits_.empty() && !mothers_.empty() && !fathers_.empty();
  if (!hits_.empty()) {
    appendParentBlock(out.parents, static_cast<int>(i + 1), mothers_.included,
                      mothers_.semiIncluded, fathers_.included, fathers_.semiIncluded);
    if (paired) families = pair(i, out, flush);
  }
  out.offspringDone = i + 1;
  if (!tell && worker == nullptr) return;
  pairing_.mothers.clear();
  pairing_.fathers.clear();
  if (paired) {
    pairing_.mothers = mothers_.ranked;
    pairing_.fathers = fathers_.ranked;
    // reset() starts masks_ over for the next offspring whatever it holds.
    std::swap(pairing_.masks, masks_);
  }
  if (worker != nullptr) {
    if (!out.piece) out.piece = worker->newPiece();
    worker->offspringDone({i, hits_, families, pairing_, positions_}, *out.piece);
    pairing_.forget(positions_);
  }
  if (!tell) return;
  if (paired) {
    out.outcomes.push_back({i, hits_, families, pairing_});
  } else {
    out.outcomes.push_back({i, hits_, families, {tables_.checked.mothers, tables_.panel.size()}});
  }
}

size_t OffspringAnalysis::pair(size_t i, BlockOutput& out,
                               const std::function<void(BlockOutput&)>& flush) {
  mothers_.rank(tables_.heteroSums);
  fathers_.rank(tables_.heteroSums);
  const int32_t* offspring = tables_.checked.offspring.rows[i].data();
  masks_.reset(offspring, tables_.checked.loci, tables_.radius, tables_.radius,
               tables_.checked.missing);
  // The panel's copy of the alleles: the search has just read the candidates' there.
  for (int32_t row : mothers_.ranked) masks_.add(tables_.panel.alleles(row));
  for (int32_t row : fathers_.ranked) masks_.add(tables_.panel.alleles(row));
  familyText_.startOffspring(offspring, static_cast<int>(i + 1),
                             tables_.checked.offspring.rowHasMissing[i]);
  const size_t motherCount = mothers_.ranked.size();
  size_t families = 0;
  for (size_t m = 0; m < motherCount; ++m) {
    const size_t motherRow = static_cast<size_t>(mothers_.ranked[m]);
    for (size_t f = 0; f < fathers_.ranked.size(); ++f) {
      if (!masks_.compatible(m, motherCount + f)) continue;
      familyText_.add(out.familyLines, out.genotypes, motherRow,
                      static_cast<size_t>(fathers_.ranked[f]));
      ++families;
      if (out.large()) flush(out);
    }
  }
  if (families > 0) ++out.sonsWithFamily;
  return families;
}
