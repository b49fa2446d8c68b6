#include "spheres/sphere_filling.h"

#include "input/builders.h"
#include "spheres/espacio.h"

namespace {

void placeCandidate(const Data& parents, int row, Son& son, std::vector<Progenitor>& included,
                    std::vector<Progenitor>& semiIncluded) {
  Progenitor p = generateParent(parents, row);
  if (parents.rowHasMissing[static_cast<size_t>(row)]) p.hasMissing = true;
  const Par d = Espacio::D1(Punto(son.genotype), Punto(p.genotype));
  const int near = d.allele1;
  const int far = d.allele2;
  if (isIncluded(near, far, son.radiusNear, son.radiusFar)) {
    p.included = true;
    p.totalMatch = true;
    included.push_back(p);
  } else if (isSemiIncluded(near, far, son.radiusNear, son.radiusFar)) {
    p.semiIncluded = true;
    p.totalMatch = near == 0 || far == 0;
    semiIncluded.push_back(p);
  }
}

}  // namespace

void fillSpheres(Data& parents, Data& sonsTable, std::vector<Son>& sons, int radius) {
  const int nLoci = validateTables(parents, sonsTable);
  const int mothers = contmadres(parents.rows);
  parents.nLoci = nLoci;
  sonsTable.nLoci = nLoci;
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
