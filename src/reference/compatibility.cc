#include "reference/compatibility.h"

#include "families/allele_fit.h"
#include "reference/espacio.h"

namespace {

bool fits(int32_t offspringAllele, const Par& parent, int64_t tolerance, int32_t missing) {
  return alleleFits(offspringAllele, parent.allele1, parent.allele2, tolerance, missing);
}

}  // namespace

bool checkCompatibility(const Son& son, const Progenitor& mother, const Progenitor& father,
                        int missing) {
  for (size_t i = 0; i < son.genotype.size(); ++i) {
    const Par& s = son.genotype[i];
    const Par& m = mother.genotype[i];
    const Par& f = father.genotype[i];
    const bool s1m = fits(s.allele1, m, son.radiusNear, missing);
    const bool s2m = fits(s.allele2, m, son.radiusFar, missing);
    const bool s1f = fits(s.allele1, f, son.radiusNear, missing);
    const bool s2f = fits(s.allele2, f, son.radiusFar, missing);
    if (!((s1m && s2f) || (s2m && s1f))) return false;
  }
  return true;
}

bool checkCompatibility(Son son, Progenitor mother, Progenitor father) {
  return checkCompatibility(son, mother, father, valoresperdidos);
}
