#include "page/marker_outputs.h"

#include "markers/marker_rows.h"
#include "markers/marker_table.h"
#include "markers/mismatch_rate.h"
#include "page/summary_page.h"
#include "files/whole_file.h"

namespace {

// Sets every locus's mismatch rate from the strict mother-offspring pairs.
void addMismatchRates(std::vector<MarkerRow>& loci, const Data& parents, const Data& sons,
                      int missing, const RankedResults& ranked) {
  std::vector<GenotypePair> pairs;
  for (size_t i = 0; i < ranked.confidentMothers.size() && i < sons.rows.size(); ++i) {
    const int32_t mother = ranked.confidentMothers[i];
    if (mother < 0 || static_cast<size_t>(mother) >= parents.rows.size()) continue;
    pairs.push_back({sons.rows[i].data(), parents.rows[static_cast<size_t>(mother)].data()});
  }
  const std::vector<std::optional<double>> rates = mismatchRates(pairs, loci.size(), missing);
  for (size_t l = 0; l < loci.size(); ++l) loci[l].mismatchRate = rates[l];
}

}  // namespace

std::vector<std::string> writeMarkerOutputs(const MarkerRequest& request,
                                            const CheckedTables& tables,
                                            const std::vector<RadiusCounts>& radii,
                                            const RankedResults* ranked) {
  const Data& parents = tables.parents;
  const Data& sons = tables.offspring;
  const int missing = tables.missing;
  std::vector<std::string> unwritten;
  if (!request.any()) return unwritten;
  SummaryInput in;
  in.loci = markerRows(parents, sons, missing);
  if (ranked != nullptr) addMismatchRates(in.loci, parents, sons, missing, *ranked);
  in.combined = combinedStatistics(in.loci);
  if (!request.tablePath.empty() &&
      !writeWholeFile(request.tablePath, markerTableText(in.loci, in.combined, request.locusNames))) {
    unwritten.push_back(request.tablePath);
  }
  if (request.summaryPath.empty()) return unwritten;
  in.settings = request.settings;
  in.locusNames = request.locusNames;
  in.motherCount = static_cast<size_t>(tables.mothers);
  in.fatherCount = tables.fathers();
  in.radii = radii;
  in.offspringCount = sons.rows.size();
  in.version = request.version;
  if (ranked != nullptr) {
    in.rankedTable = true;
    in.minDelta = ranked->minDelta;
    in.calls = ranked->calls;
    in.calibration = ranked->calibration;
  }
  if (!writeWholeFile(request.summaryPath, summaryPage(in))) unwritten.push_back(request.summaryPath);
  return unwritten;
}
