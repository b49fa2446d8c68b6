// The streaming analysis must write exactly what the record-based stages
// write (fillSpheres, writeParents, matings, writeFamilieswithGenotypes), for
// any population and radius. Thousands of random populations are compared.
#include <algorithm>
#include <array>
#include <climits>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "engine_run.h"
#include "analysis/analyse.h"
#include "reference/matings.h"
#include "reference/builders.h"
#include "reference/writers.h"
#include "reference/espacio.h"
#include "memory_sink.h"
#include "util/cpu_features.h"
#include "spheres/parent_panel.h"
#include "reference/sphere_filling.h"
#include "status/run_failure.h"

namespace {

using StringSink = MemorySink;

struct Population {
  std::string parents;
  std::string sons;
  int radius = 0;
  std::string describe() const {
    return "radius " + std::to_string(radius) + "\nparents:\n" + parents + "sons:\n" + sons;
  }
};

// Small allele alphabets so parents share alleles, tie on heteroSum and form
// families; sometimes missing codes, invalid markers and huge values.
Population randomPopulation(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int loci = pick(0, 9) == 0 ? pick(31, 70) : pick(1, 12);
  const int mothers = pick(0, 20);
  const int fathers = pick(0, 20);
  const int sons = pick(1, 12);
  const int alphabet = pick(1, 6);
  const bool huge = pick(0, 9) == 0;
  // Allele sizes a unit apart too, so offspring alleles fall next to parents'.
  const int step = pick(1, 2);
  auto allele = [&]() -> std::string {
    const int roll = pick(0, 99);
    if (roll < 6) return "-99";
    if (roll < 8) return "-5";  // read as -100000, and every value after it
    if (huge && roll < 20) {
      return std::to_string(pick(0, 1) == 0 ? INT_MAX - pick(0, 3) : INT_MIN + pick(0, 3));
    }
    return std::to_string(100 + step * pick(0, alphabet));
  };
  Population p;
  const int tied = pick(0, 4) == 0 ? pick(17, 30) : 0;  // many identical parents
  std::string repeated;
  for (int k = 0; k < 2 * loci; ++k) repeated += allele() + " ";
  for (int j = 0; j < mothers + fathers + tied; ++j) {
    std::string row;
    if (j < tied) {
      row = repeated;
    } else {
      for (int k = 0; k < 2 * loci; ++k) row += allele() + " ";
    }
    const bool mother = j < mothers + tied / 2;
    row += std::to_string(mother ? pick(1, 1999) : pick(2000, 9999));
    p.parents += row + "\n";
  }
  for (int i = 0; i < sons; ++i) {
    std::string row;
    for (int k = 0; k < 2 * loci; ++k) row += allele() + " ";
    p.sons += row + "\n";
  }
  const int roll = pick(0, 19);
  if (roll == 0) {
    p.radius = -pick(1, 5);
  } else if (roll == 1) {
    p.radius = INT_MAX;
  } else if (roll == 2) {
    p.radius = pick(20, 1000);
  } else {
    p.radius = pick(0, 10);
  }
  return p;
}

struct Reports {
  std::string parents, families, genotypes;
};

Reports referenceReports(const Population& p) {
  Data parents = Data::fromText(p.parents, -99, "#");
  Data sonsTable = Data::fromText(p.sons, -99, "#");
  std::vector<Son> sons;
  fillSpheres(parents, sonsTable, sons, p.radius);
  std::ostringstream parentText, familyText, genotypeText;
  writeParents(parentText, sons);
  std::vector<Family> families;
  matings(sons, families);
  writeFamilieswithGenotypes(familyText, genotypeText, families);
  return {parentText.str(), familyText.str(), genotypeText.str()};
}

Reports streamedReports(const Population& p) {
  Data parents = Data::fromText(p.parents, -99, "#");
  Data sons = Data::fromText(p.sons, -99, "#");
  StringSink parentSink, familySink, genotypeSink;
  analyseTables(parents, sons, p.radius, -99, {parentSink, familySink, genotypeSink});
  return {parentSink.content, familySink.content, genotypeSink.content};
}

// Every build of the kernels must give the same reports: the portable ones
// and each kind this processor can run (AVX2, AVX-512), chosen for the allele
// index, the block scan and the exact distance at once.
class StreamedAnalysis : public ::testing::TestWithParam<KernelKind> {
 protected:
  void SetUp() override {
    useKernel(GetParam());
  }
  void TearDown() override {
    useDefaultKernel();
  }
};

std::string kernelName(const ::testing::TestParamInfo<KernelKind>& info) {
  switch (info.param) {
    case KernelKind::Avx2:
      return "Avx2Kernels";
    case KernelKind::Avx512:
      return "Avx512Kernels";
    default:
      return "PortableKernels";
  }
}

TEST_P(StreamedAnalysis, WritesWhatTheRecordStagesWrite) {
  valoresperdidos = -99;
  std::mt19937 rng(20261207);
  int withFamilies = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const Population p = randomPopulation(rng);
    if (p.parents.empty()) continue;
    SCOPED_TRACE("trial " + std::to_string(trial) + "\n" + p.describe());
    const Reports expected = referenceReports(p);
    const Reports actual = streamedReports(p);
    ASSERT_EQ(actual.parents, expected.parents);
    ASSERT_EQ(actual.families, expected.families);
    ASSERT_EQ(actual.genotypes, expected.genotypes);
    if (!expected.genotypes.empty()) ++withFamilies;
  }
  // The generator must exercise family formation, not only empty reports.
  EXPECT_GT(withFamilies, 300);
}

// The allele index and the block scan must find exactly the parents whose
// near distance from Espacio::D1 is within the radius, for every radius.
INSTANTIATE_TEST_SUITE_P(Kernels, StreamedAnalysis, ::testing::ValuesIn(availableKernels()),
                         kernelName);

using ParentPanelSearch = StreamedAnalysis;

TEST_P(ParentPanelSearch, FindsExactlyTheParentsWithinTheRadius) {
  valoresperdidos = -99;
  std::mt19937 rng(7);
  for (int trial = 0; trial < 1000; ++trial) {
    const Population p = randomPopulation(rng);
    if (p.parents.empty()) continue;
    Data parents = Data::fromText(p.parents, -99, "#");
    Data sons = Data::fromText(p.sons, -99, "#");
    const int loci = static_cast<int>(sons.rows.front().size() / 2);
    parents.nLoci = loci;
    sons.nLoci = loci;
    const ParentPanel panel(parents, -99);
    const int32_t size = panel.size();
    for (int radius : {-1, 0, 1, 2, 3, 5, 7, 8, 40, p.radius}) {
      for (size_t i = 0; i < sons.rows.size(); ++i) {
        SCOPED_TRACE("trial " + std::to_string(trial) + " radius " + std::to_string(radius) +
                     " son " + std::to_string(i) + "\n" + p.describe());
        const Son son = generateSon(sons, static_cast<int>(i));
        std::vector<SphereHit> expected;
        for (int32_t j = 0; j < size; ++j) {
          const Par d = Espacio::D1(Punto(son.genotype), Punto(generateParent(parents, j).genotype));
          if (radius >= 0 && d.allele1 <= radius) expected.push_back({j, d.allele1, d.allele2});
        }
        std::vector<SphereHit> hits;
        const int32_t split = size / 3;
        panel.findCandidates(sons.rows[i].data(), radius, 0, split, hits);
        panel.findCandidates(sons.rows[i].data(), radius, split, size, hits);
        ASSERT_EQ(hits.size(), expected.size());
        for (size_t h = 0; h < hits.size(); ++h) {
          EXPECT_EQ(hits[h].row, expected[h].row);
          EXPECT_EQ(hits[h].near, expected[h].near);
          EXPECT_EQ(hits[h].far, expected[h].far);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ParentPanelSearch, ::testing::ValuesIn(availableKernels()),
                         kernelName);

// Every (mother, father) pair of hits the listener answers isFamily for, as
// (offspring number, mother identifier, father identifier), with the checks
// that need the tables.
class FamilyRecorder : public OffspringListener {
 public:
  FamilyRecorder(const Data& parents, int mothers) : parents_(parents), mothers_(mothers) {}

  void offspringDone(const OffspringOutcome& outcome) override {
    EXPECT_EQ(outcome.offspring, calls_++);
    const size_t idColumn = 2 * static_cast<size_t>(parents_.nLoci);
    size_t families = 0;
    for (const SphereHit& mother : outcome.hits) {
      if (mother.row >= mothers_) continue;
      for (const SphereHit& father : outcome.hits) {
        if (father.row < mothers_) continue;
        // Roles swapped is never a family.
        EXPECT_FALSE(outcome.isFamily(father.row, mother.row));
        if (!outcome.isFamily(mother.row, father.row)) continue;
        ++families;
        triples.push_back({static_cast<int>(outcome.offspring + 1),
                           parents_.rows[static_cast<size_t>(mother.row)][idColumn],
                           parents_.rows[static_cast<size_t>(father.row)][idColumn]});
      }
    }
    EXPECT_EQ(outcome.families, families);
    EXPECT_FALSE(outcome.isFamily(-1, static_cast<int32_t>(parents_.rows.size())));
    hits += outcome.hits.size();
  }

  std::vector<std::array<int, 3>> triples;
  size_t hits = 0;

 private:
  const Data& parents_;
  int mothers_;
  size_t calls_ = 0;
};

TEST(OffspringListener, HearsEveryFamilyMatingsForms) {
  valoresperdidos = -99;
  std::mt19937 rng(99);
  int withFamilies = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const Population p = randomPopulation(rng);
    if (p.parents.empty()) continue;
    SCOPED_TRACE("trial " + std::to_string(trial) + "\n" + p.describe());
    Data parents = Data::fromText(p.parents, -99, "#");
    Data sonsTable = Data::fromText(p.sons, -99, "#");
    std::vector<Son> sons;
    try {
      fillSpheres(parents, sonsTable, sons, p.radius);
    } catch (const RunFailure&) {
      continue;  // tables the engine refuses too, before any offspring
    }
    std::vector<Family> families;
    matings(sons, families);
    std::vector<std::array<int, 3>> expected;
    size_t expectedHits = 0;
    for (const Family& family : families) {
      expected.push_back({family.son.number, family.mother.number, family.father.number});
    }
    for (const Son& son : sons) {
      expectedHits += son.motherIncluded.size() + son.motherSemiIncluded.size() +
                      son.fatherIncluded.size() + son.fatherSemiIncluded.size();
    }

    FamilyRecorder recorder(parents, contmadres(parents.rows));
    StringSink parentSink, familySink, genotypeSink;
    analyseTables(parents, sonsTable, p.radius, -99, {parentSink, familySink, genotypeSink}, nullptr,
            &recorder);
    std::sort(expected.begin(), expected.end());
    std::sort(recorder.triples.begin(), recorder.triples.end());
    ASSERT_EQ(recorder.triples, expected);
    ASSERT_EQ(recorder.hits, expectedHits);
    if (!expected.empty()) ++withFamilies;
  }
  EXPECT_GT(withFamilies, 50);
}

}  // namespace
