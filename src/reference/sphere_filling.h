#pragma once
#include <vector>

#include "input/data.h"
#include "input/table_checks.h"
#include "reference/son.h"
#include "spheres/sphere_membership.h"

// The program runs OffspringAnalysis (src/analysis); this is the record-level
// form kept as the reference for the identity tests.
// Validates the tables, sets nLoci on both, and appends one Son per sons row
// with its four candidate lists filled for `radius` (rows 0..M-1 of the parents
// table are mothers, the rest fathers, M = contmadres).
void fillSpheres(Data& parents, Data& sonsTable, std::vector<Son>& sons, int radius);
