#include "reference/sphere_filling.h"

#include "input/missing_value.h"
#include "reference/builders.h"
#include "reference/espacio.h"

namespace {

void placeCandidate(const Data& parents, int row, Son& son, std::vector<Progenitor>& included,
                    std::vector<Progenitor>& semiIncluded) {
  Progenitor p = generateParent(parents, row);
  if (parents.rowHasMissing[static_cast<size_t>(row)]) p.hasMissing = true;
  const Par d = Espacio::D1(Punto(son.genotype), Punto(p.genotype));
  const SpherePlace place = placeInSpheres(d.allele1, d.allele2, son.radiusNear, son.radiusFar);
  p.totalMatch = place.totalMatch;
  if (place.list == SphereList::Included) {
    p.included = true;
    included.push_back(p);
  } else if (place.list == SphereList::SemiIncluded) {
    p.semiIncluded = true;
    semiIncluded.push_back(p);
  }
}

}  // namespace

void fillSpheres(Data& parents, Data& sonsTable, std::vector<Son>& sons, int radius) {
  // The mother count is all this takes of the checks; the missing code is
  // read from the global at each comparison.
  const int mothers = checkTables(parents, sonsTable, kMissingValue).mothers;
  const int parentCount = static_cast<int>(parents.rows.size());
  const int sonCount = static_cast<int>(sonsTable.rows.size());
  for (int i = 0; i < sonCount; ++i) {
    Son son = generateSon(sonsTable, i);
    if (sonsTable.rowHasMissing[static_cast<size_t>(i)]) son.hasMissing = true;
    son.radiusNear = radius;
    son.radiusFar = radius;
    son.number = i + 1;
    for (int j = 0; j < mothers; ++j) {
      placeCandidate(parents, j, son, son.motherIncluded, son.motherSemiIncluded);
    }
    for (int j = mothers; j < parentCount; ++j) {
      placeCandidate(parents, j, son, son.fatherIncluded, son.fatherSemiIncluded);
    }
    sons.push_back(son);
  }
}
