#pragma once
#include <vector>

#include "input/data.h"
#include "records/son.h"

// The number of mothers: rows whose value at the position of the first row's
// last value is below 2000. Precondition: `rows` is not empty and every row is
// at least as long as the first.
int contmadres(const std::vector<std::vector<int>>& rows);

// Checks that the two tables can be analysed and returns the locus count.
// Throws RunFailure with, in this order of checks: "EMPTY PARENTS FILE\n",
// "EMPTY SONS FILE\n", "WRONG NUMBER OF COLUMNS IN SONS FILE\n" (odd first
// sons row, or a sons row shorter than the first), "WRONG NUMBER OF COLUMNS IN
// PARENTS FILE\n" (a parents row shorter than the first parents row or than the
// alleles plus the identifier).
int validateTables(const Data& parents, const Data& sons);

// Validates the tables, sets nLoci on both, and appends one Son per sons row
// with its four candidate lists filled for `radius` (rows 0..M-1 of the parents
// table are mothers, the rest fathers, M = contmadres).
void fillSpheres(Data& parents, Data& sonsTable, std::vector<Son>& sons, int radius);

// The sphere tests on a (near, far) pair, with both radii of the offspring.
inline bool isIncluded(int near, int far, int radiusNear, int radiusFar) {
  return (near <= radiusNear && far <= 0) || (near <= 0 && far <= radiusFar);
}
inline bool isSemiIncluded(int near, int far, int radiusNear, int radiusFar) {
  return near <= radiusNear || far <= radiusFar;
}
