#include "reference/builders.h"

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

Son generateSon(const Data& table, int i) {
  Son son;
  buildGenotype(table.rows[static_cast<size_t>(i)], table.nLoci, son.genotype, son.heteroSum);
  return son;
}

Progenitor generateParent(const Data& table, int j) {
  Progenitor parent;
  const std::vector<int>& row = table.rows[static_cast<size_t>(j)];
  buildGenotype(row, table.nLoci, parent.genotype, parent.heteroSum);
  parent.number = row[static_cast<size_t>(2 * table.nLoci)];
  return parent;
}
