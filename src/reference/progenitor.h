#pragma once
#include <cstdint>
#include <vector>

#include "reference/par.h"

// The program keeps candidates as parents-table rows (analysis/); this is the
// record-level form kept as the reference for the identity tests.

// A candidate parent. Built from a parents row by generateParent
// (reference/builders.h); copies are placed in an offspring's lists by fillSpheres
// and marked `assigned` by matings. Plain value type: copies never share anything.
struct Progenitor {
  bool hasMissing = false;
  std::vector<Par> genotype;
  int32_t radiusNear = 0;
  int32_t radiusFar = 0;
  bool flagA = false;
  bool flagB = false;
  bool flagC = false;
  int32_t heteroSum = 0;
  int32_t number = 0;
  bool included = false;
  bool semiIncluded = false;
  bool flagF = false;
  bool assigned = false;
  bool totalMatch = false;
  int32_t valueC = 0;

  // Candidates rank by heteroSum alone, smallest (most homozygous) first.
  bool operator<(const Progenitor& other) const { return heteroSum < other.heteroSum; }
};
