#include "markers/marker_outputs.h"

#include "markers/marker_rows.h"
#include "markers/marker_table.h"
#include "markers/summary_page.h"
#include "markers/whole_file.h"
#include "input/table_checks.h"

std::vector<std::string> writeMarkerOutputs(const MarkerRequest& request, const Data& parents,
                                            const Data& sons, int missing,
                                            const std::vector<RadiusCounts>& radii) {
  std::vector<std::string> unwritten;
  if (!request.any()) return unwritten;
  SummaryInput in;
  in.loci = markerRows(parents, sons, missing);
  in.combined = combinedStatistics(in.loci);
  if (!request.tablePath.empty() &&
      !writeWholeFile(request.tablePath, markerTableText(in.loci, in.combined))) {
    unwritten.push_back(request.tablePath);
  }
  if (request.summaryPath.empty()) return unwritten;
  in.settings = request.settings;
  const size_t mothers = static_cast<size_t>(contmadres(parents.rows));
  in.motherCount = mothers;
  in.fatherCount = parents.rows.size() - mothers;
  in.radii = radii;
  if (!writeWholeFile(request.summaryPath, summaryPage(in))) unwritten.push_back(request.summaryPath);
  return unwritten;
}
