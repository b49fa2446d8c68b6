#pragma once
#include <vector>

#include "reference/par.h"
#include "spheres/locus_distance.h"

// The program runs ParentPanel (spheres/parent_panel.h) for the distance; this
// is the record-level form kept as the reference for the identity tests. Both
// add up locusTerms (spheres/locus_distance.h).

// A point of the genotype space: one Par per locus.
struct Punto {
  std::vector<Par> loci;
  Punto() = default;
  explicit Punto(std::vector<Par> genotype) : loci(std::move(genotype)) {}
};

// The missing-value code the record-level distance and compatibility test
// read: 0 until a caller sets it (the tests set -99). The program never reads
// it; it passes kMissingValue to the engine.
extern int valoresperdidos;

class Espacio {
 public:
  // The near (allele1) and far (allele2) distance of candidate `b` from the
  // offspring `a`: per locus, each allele of `a` against the nearest allele of
  // `b`; the smaller term sums into near, the larger into far. Loci with a
  // missing value add nothing. Sums are exact and saturate at INT32_MAX.
  // Points of different lengths write "ErrLog.txt" and throw RunFailure("").
  static Par D1(Punto a, Punto b);
};
