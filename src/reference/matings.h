#pragma once
#include <vector>

#include "reference/family.h"
#include "reference/son.h"

// The program runs OffspringAnalysis (analysis/offspring_analysis.h); this is
// the record-level form kept as the reference for the identity tests.

// Appends one Family per compatible (mother, father) pairing of every
// offspring: grouped by offspring in list order, then by the mother's rank,
// then by the father's rank (ranks from Son::selectBestD3). Both parents of each
// family carry `assigned`; the offspring's own lists never do.
void matings(std::vector<Son> sons, std::vector<Family>& families);
