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
  familyLines.reserve(2 * ReportSink::kFlushBytes);
  genotypes.reserve(2 * ReportSink::kFlushBytes);
  appendParentHeader(parentText, true, radius);
  const size_t total = sons.rows.size();
  size_t done = 0;
  for (; done < total; ++done) {
    // Once no report can be written any more, the rest of the work is wasted.
    if (done % kProgressEvery == 0 && sinks.parents.failed() && sinks.families.failed() &&
        sinks.genotypes.failed()) {
      break;
    }
    analysis.visit(done, parentText, familyLines, genotypes, listener);
    sinks.parents.flushIfLarge(parentText);
    sinks.families.flushIfLarge(familyLines);
    sinks.genotypes.flushIfLarge(genotypes);
    if (progress != nullptr && done % kProgressEvery == 0) progress->update(done, total);
  }
  if (progress != nullptr) progress->update(done, total);
  sinks.parents.write(parentText);
  sinks.genotypes.write(genotypes);
  sinks.families.write(familyLines);
  // The list's first line counts the offspring with a family, known only now.
  std::string familyHead;
  appendFamilyHeader(familyHead, analysis.sonsWithFamily(), radius);
  sinks.families.writeHead(familyHead);
  SinkResults results;
  results.parents = sinks.parents.close();
  results.families = sinks.families.close();
  results.genotypes = sinks.genotypes.close();
  return results;
}
