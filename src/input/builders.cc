#include "input/data.h"

namespace {

// The genotype of a row's first nLoci allele pairs and its heteroSum.
void buildGenotype(const std::vector<int>& row, int nLoci, std::vector<Par>& genotype,
                   int32_t& heteroSum) {
  genotype.assign(static_cast<size_t>(nLoci), Par{});
  for (int k = 0; k < nLoci; ++k) {
    Par& locus = genotype[static_cast<size_t>(k)];
    locus.allele1 = row[static_cast<size_t>(2 * k)];
    locus.allele2 = row[static_cast<size_t>(2 * k + 1)];
  }
  heteroSum = heteroSumOf(row.data(), nLoci);
}

}  // namespace

Son Data::generateSon(int i) const {
  Son son;
  buildGenotype(rows[static_cast<size_t>(i)], nLoci, son.genotype, son.heteroSum);
  return son;
}

Progenitor Data::generateParent(int j) const {
  Progenitor parent;
  const std::vector<int>& row = rows[static_cast<size_t>(j)];
  buildGenotype(row, nLoci, parent.genotype, parent.heteroSum);
  parent.number = row[static_cast<size_t>(2 * nLoci)];
  return parent;
}
