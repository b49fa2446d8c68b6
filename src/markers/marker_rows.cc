#include "markers/marker_rows.h"

#include "markers/allele_counts.h"

std::vector<MarkerRow> markerRows(const Data& parents, const Data& sons, int missing) {
  std::vector<LocusCounts> counts(static_cast<size_t>(sons.nLoci));
  countAlleles(parents.rows, missing, counts);
  countAlleles(sons.rows, missing, counts);
  std::vector<MarkerRow> rows;
  rows.reserve(counts.size());
  for (const LocusCounts& locus : counts) rows.push_back(locusStatistics(locus));
  return rows;
}
