#include "analysis/analyse.h"

#include <string>

#include "analysis/offspring_analysis.h"
#include "reports/report_text.h"
#include "input/table_checks.h"

namespace {

constexpr size_t kProgressEvery = 256;

}  // namespace

SinkResults analyse(Data& parents, Data& sons, int radius, int missing, const ReportSinks& sinks,
                    RunProgress* progress, OffspringListener* listener) {
  const int mothers = prepareTables(parents, sons);
  return analysePrepared(parents, sons, mothers, radius, missing, sinks, progress, listener);
}

SinkResults analysePrepared(const Data& parents, const Data& sons, int motherCount, int radius,
                            int missing, const ReportSinks& sinks, RunProgress* progress,
                            OffspringListener* listener) {
  OffspringAnalysis analysis(parents, sons, radius, missing, motherCount);
  std::string parentText;
  std::string familyLines;
  std::string genotypes;
  // Room for a flush's worth and one offspring's text past it, reused.
  parentText.reserve(2 * ReportSink::kFlushBytes);
  genotypes.reserve(2 * ReportSink::kFlushBytes);
  appendParentHeader(parentText, true, radius);
  const size_t total = sons.rows.size();
  for (size_t i = 0; i < total; ++i) {
    analysis.visit(i, parentText, familyLines, genotypes, listener);
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
  appendFamilyHeader(familyText, analysis.sonsWithFamily(), radius);
  sinks.families.write(familyText);
  sinks.families.write(familyLines);
  SinkResults results;
  results.parents = sinks.parents.close();
  results.families = sinks.families.close();
  results.genotypes = sinks.genotypes.close();
  return results;
}
