#pragma once
#include <vector>

#include "input/checked_tables.h"
#include "input/data.h"

// Parents whose identifier is below this are mothers, the others fathers,
// unless the run names another first father identifier.
constexpr int kFirstFatherId = 2000;

// The number of mothers: rows whose value at the position of the first row's
// last value is below `firstFatherId`. Precondition: `rows` is not empty and
// every row is at least as long as the first.
int contmadres(const std::vector<std::vector<int>>& rows, int firstFatherId = kFirstFatherId);

// The parents rows analysed as mothers: contmadres with the table's own first
// father identifier.
int motherCount(const Data& parents);

// Checks that the two tables can be analysed and returns the locus count.
// Throws RunFailure with, in this order of checks: "EMPTY PARENTS FILE\n",
// "EMPTY SONS FILE\n", "WRONG NUMBER OF COLUMNS IN SONS FILE\n" (odd first
// sons row, or a sons row shorter than the first), "WRONG NUMBER OF COLUMNS IN
// PARENTS FILE\n" (a parents row shorter than the first parents row or than the
// alleles plus the identifier). A column failure's detail names the row, its
// count of values and how many were expected.
int validateTables(const Data& parents, const Data& sons);

// The one check of a run: validateTables (its failures, in its order), then
// the mothers counted once (motherCount), with `missing` the tables' untyped
// code. Also sets nLoci on both tables for the code that reads the rows
// through Data (the parent panel, the reference stages).
CheckedTables checkTables(Data& parents, Data& sons, int missing);
