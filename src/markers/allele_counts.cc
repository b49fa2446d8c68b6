#include "markers/allele_counts.h"

#include <stdexcept>

void countAlleles(const std::vector<std::vector<int>>& rows, int missing,
                  std::vector<LocusCounts>& loci) {
  const size_t columns = 2 * loci.size();
  for (const std::vector<int>& row : rows) {
    if (row.size() < columns) throw std::invalid_argument("genotype row shorter than its loci");
    for (size_t l = 0; l < loci.size(); ++l) {
      const int a = row[2 * l];
      const int b = row[2 * l + 1];
      if (a == missing || b == missing) continue;
      LocusCounts& locus = loci[l];
      ++locus.typed;
      if (a != b) ++locus.heterozygous;
      ++locus.alleles[a];
      ++locus.alleles[b];
    }
  }
}
