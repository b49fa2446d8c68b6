#pragma once
#include "reference/progenitor.h"
#include "reference/son.h"

// The program runs FitMasks (families/fit_masks.h); this is the record-level
// form kept as the reference for the identity tests, using alleleFits; FitMasks
// computes the same rule as per-offspring windows (tests/families/fit_masks_test.cc).

// True when, at each of the offspring's loci, one offspring allele fits the
// mother and the other fits the father. The offspring's allele1 fits a parent
// allele within radiusNear, its allele2 within radiusFar; a missing value
// (valoresperdidos) on either side is at distance 0. Swapping the two parents
// never changes the answer. Precondition: both parents have at least as many
// loci as the offspring.
bool checkCompatibility(Son son, Progenitor mother, Progenitor father);
bool checkCompatibility(const Son& son, const Progenitor& mother, const Progenitor& father,
                        int missing);
