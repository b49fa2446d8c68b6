#pragma once
#include <cstdint>
#include <vector>

#include "records/par.h"

// A candidate parent. Built from a parents row by generateParent (input/builders.h); copies
// are placed in an offspring's lists by the sphere search and marked `assigned`
// when chosen for a family. Plain value type: copies never share anything.
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
