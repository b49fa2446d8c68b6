// The indexed scope search against counting every parent's mismatching loci,
// on random SNP panels (two alleles, most loci shared by most parents) and
// microsatellite panels, over several words of parents and a partial last one,
// with every kernel the processor runs.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "input/data.h"
#include "ranking/carrier_index.h"
#include "util/cpu_features.h"

namespace {

std::vector<int32_t> bruteScope(const Data& parents, const int* son, int loci, int32_t limit) {
  std::vector<int32_t> rows;
  for (size_t j = 0; j < parents.rows.size(); ++j) {
    const int* parent = parents.rows[j].data();
    int mismatches = 0;
    for (int k = 0; k < loci; ++k) {
      if (!locusTyped(son, k, -99) || !locusTyped(parent, k, -99)) continue;
      mismatches += son[2 * k] != parent[2 * k] && son[2 * k] != parent[2 * k + 1] &&
                    son[2 * k + 1] != parent[2 * k] && son[2 * k + 1] != parent[2 * k + 1];
    }
    if (mismatches <= limit) rows.push_back(static_cast<int32_t>(j));
  }
  return rows;
}

TEST(CarrierIndex, ScopeIsTheCountedScopeOnSnpAndMicrosatellitePanels) {
  const struct {
    const char* what;
    int loci;
    int parents;
    int alleles;  // per locus, from 1
  } panels[] = {{"96 SNPs", 96, 701, 2}, {"200 SNPs", 200, 130, 2},
                {"24 microsatellites", 24, 1030, 12}, {"3 loci", 3, 64, 3}};
  for (const auto& panel : panels) {
    SCOPED_TRACE(panel.what);
    std::mt19937 rng(static_cast<unsigned>(panel.loci * 7 + panel.parents));
    // Skewed allele shares, as real panels have; 2% of alleles missing.
    auto allele = [&]() {
      if (rng() % 50 == 0) return std::string("-99");
      int a = 1;
      while (a < panel.alleles && rng() % 3 != 0) ++a;
      return std::to_string(a);
    };
    std::string parentText;
    std::string sonText;
    for (int j = 0; j < panel.parents; ++j) {
      for (int k = 0; k < 2 * panel.loci; ++k) parentText += allele() + " ";
      parentText += std::to_string(j < panel.parents / 2 ? j + 1 : 2000 + j) + "\n";
    }
    for (int i = 0; i < 30; ++i) {
      for (int k = 0; k < 2 * panel.loci; ++k) sonText += allele() + " ";
      sonText += "\n";
    }
    const Data parents = Data::fromText(parentText, -99, "#");
    const Data sons = Data::fromText(sonText, -99, "#");
    const GenotypeTables tables{parents.rows, sons.rows, panel.loci, panel.parents / 2, -99};
    const CarrierIndex index(tables);
    std::vector<int32_t> found;
    size_t seen = 0;
    for (int32_t limit : {0, 1, 2, 3, 4, 5, 7, 8, 11, 40}) {
      for (size_t i = 0; i < sons.rows.size(); ++i) {
        const std::vector<int32_t> expected =
            bruteScope(parents, sons.rows[i].data(), panel.loci, limit);
        seen += expected.size();
        for (KernelKind kernel : availableKernels()) {
          useKernel(kernel);
          index.scope(sons.rows[i].data(), limit, found);
          EXPECT_EQ(found, expected) << "offspring " << i << ", K " << limit << ", kernel "
                                     << static_cast<int>(kernel);
        }
      }
    }
    useDefaultKernel();
    // Neither all nor nothing: the limits cut through the panel.
    EXPECT_GT(seen, 0u);
    EXPECT_LT(seen, 10 * sons.rows.size() * static_cast<size_t>(panel.parents));
  }
}

}  // namespace
