#include "spheres/sphere_filling.h"

#include <algorithm>

#include "records/run_failure.h"
#include "spheres/espacio.h"

int contmadres(const std::vector<std::vector<int>>& rows) {
  const size_t k = rows.front().size() - 1;
  int mothers = 0;
  for (const std::vector<int>& row : rows) {
    if (row[k] < 2000) ++mothers;
  }
  return mothers;
}

int validateTables(const Data& parents, const Data& sons) {
  if (parents.rows.empty()) throw RunFailure("EMPTY PARENTS FILE\n");
  if (sons.rows.empty()) throw RunFailure("EMPTY SONS FILE\n");
  const size_t sonWidth = sons.rows.front().size();
  const RunFailure badSons("WRONG NUMBER OF COLUMNS IN SONS FILE\n");
  if (sonWidth % 2 != 0) throw badSons;
  for (const std::vector<int>& row : sons.rows) {
    if (row.size() < sonWidth) throw badSons;
  }
  // Every parents row must reach both the mother/father column the count reads
  // (the first row's last value) and the identifier after the alleles.
  const size_t parentWidth = std::max(parents.rows.front().size(), sonWidth + 1);
  for (const std::vector<int>& row : parents.rows) {
    if (row.size() < parentWidth) throw RunFailure("WRONG NUMBER OF COLUMNS IN PARENTS FILE\n");
  }
  return static_cast<int>(sonWidth / 2);
}

namespace {

void placeCandidate(const Data& parents, int row, Son& son, std::vector<Progenitor>& included,
                    std::vector<Progenitor>& semiIncluded) {
  Progenitor p = parents.generateParent(row);
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
    Son son = sonsTable.generateSon(i);
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
