#pragma once
#include <vector>

#include "reference/family.h"
#include "reference/son.h"

// The program counts offspring with a family as it pairs them
// (OffspringAnalysis); these are the record-level counts kept as the
// reference for the identity tests.

// The number of the last offspring in the list (0 for an empty list). Lists
// are in offspring order, so this is the highest number present.
int maxindexhijos(const std::vector<Son>& sons);
// The offspring number of the last family (0 for an empty list).
int maxindexhijos(const std::vector<Family>& families);
// The number of runs of adjacent families with the same offspring number: for
// a list built by matings, the number of distinct offspring with a family.
int cuentahijos(const std::vector<Family>& families);
