#pragma once
#include <vector>

#include "input/data.h"
#include "markers/marker_statistics.h"

// One MarkerRow per locus of the two tables, every row (parent or offspring)
// counted once; mismatch rates are left empty. Precondition: the tables have
// been validated together and sons.nLoci is set (the analysis does both).
std::vector<MarkerRow> markerRows(const Data& parents, const Data& sons, int missing);
