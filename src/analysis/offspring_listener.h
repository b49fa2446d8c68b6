#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/offspring_pairing.h"
#include "spheres/parent_panel.h"

// What the engine found for one offspring, valid only during offspringDone().
struct OffspringOutcome {
  size_t offspring;                    // row in the offspring table, from 0
  const std::vector<SphereHit>& hits;  // parents whose near distance is within the
                                       // radius, in parents-table row order
  size_t families;                     // families of this offspring in Fam.out
  const OffspringPairing& pairing;     // answers isFamily()
  std::vector<int32_t>& positions;     // its scratch

  // True when (mother, father), parents-table rows, is a family of this
  // offspring in Fam.out; false for any other pair, rows out of range included.
  bool isFamily(int32_t motherRow, int32_t fatherRow) const {
    return pairing.isFamily(motherRow, fatherRow, positions);
  }
};

// A new output plugs in here instead of into the search. Parent rows below the
// mother count are mothers; a parent's identifier follows its 2*nLoci alleles.
class OffspringListener {
 public:
  virtual ~OffspringListener() = default;
  // Called once per offspring, in offspring order, after the engine has
  // searched it and appended its report text.
  virtual void offspringDone(const OffspringOutcome& outcome) = 0;
};
