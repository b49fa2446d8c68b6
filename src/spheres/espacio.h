#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "records/par.h"

// A point of the genotype space: one Par per locus.
struct Punto {
  std::vector<Par> loci;
  Punto() = default;
  explicit Punto(std::vector<Par> genotype) : loci(std::move(genotype)) {}
};

// The global missing-value code (-99 during an analysis, 0 before the tables are
// read). Read by the distance and the compatibility test.
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

// The (near, far) terms of one locus, without the missing-value test: offspring
// alleles (s1, s2), candidate alleles (p1, p2), in any order.
inline void locusTerms(int64_t s1, int64_t s2, int64_t p1, int64_t p2, int64_t* nearTerm,
                       int64_t* farTerm) {
  if (s1 > s2) std::swap(s1, s2);
  if (p1 > p2) std::swap(p1, p2);
  const int64_t d1 = std::min(std::llabs(s1 - p1), std::llabs(s1 - p2));
  const int64_t d2 = std::min(std::llabs(s2 - p1), std::llabs(s2 - p2));
  *nearTerm = std::min(d1, d2);
  *farTerm = std::max(d1, d2);
}
