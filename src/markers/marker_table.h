#pragma once
#include <string>
#include <vector>

#include "markers/marker_statistics.h"

// Decimals of the table's figures (shares and probabilities); the combined
// row's mean allele and typed counts take kMeanDecimals.
constexpr int kFigureDecimals = 4;
constexpr int kMeanDecimals = 2;

// The tab-separated marker table: a header line, one row per locus numbered
// from 1 in column order (or named by `names`, when it holds one name per
// locus), then the row `all` (`combined`). Empty figures are empty cells.
// Every line ends with a line feed.
std::string markerTableText(const std::vector<MarkerRow>& loci, const MarkerRow& combined,
                            const std::vector<std::string>& names = {});
