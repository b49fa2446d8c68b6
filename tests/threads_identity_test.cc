// The reports, and what a listener hears, must not depend on the number of
// threads: blocks of offspring finish in any order but are written in order.
// CI also runs these under ThreadSanitizer (.ci/run, build-tsan).
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "analysis/analyse.h"
#include "memory_sink.h"

namespace {

// Parents and offspring on small allele ladders, so there are many families;
// offspring 100 failed to amplify (all missing), so every parent is its
// candidate and its families outgrow the writer's buffers mid-offspring.
struct Tables {
  std::string parents;
  std::string sons;
};

Tables generatedTables(unsigned seed) {
  constexpr int kMothers = 90, kFathers = 110, kOffspring = 700, kLoci = 9;
  std::mt19937 rng(seed);
  auto allele = [&rng]() {
    const int roll = std::uniform_int_distribution<int>(0, 99)(rng);
    return roll < 3 ? std::string("-99") : std::to_string(100 + 2 * (roll % 6));
  };
  Tables t;
  for (int j = 0; j < kMothers + kFathers; ++j) {
    for (int k = 0; k < 2 * kLoci; ++k) t.parents += allele() + " ";
    t.parents += std::to_string(j < kMothers ? j + 1 : 2000 + j) + "\n";
  }
  for (int i = 0; i < kOffspring; ++i) {
    for (int k = 0; k < 2 * kLoci; ++k) t.sons += (i == 100 ? "-99" : allele()) + " ";
    t.sons += "\n";
  }
  return t;
}

// Every call, with the families the listener can confirm among its hits.
class Transcript : public OffspringListener {
 public:
  void offspringDone(const OffspringOutcome& outcome) override {
    size_t confirmed = 0;
    for (const SphereHit& a : outcome.hits) {
      for (const SphereHit& b : outcome.hits) confirmed += outcome.isFamily(a.row, b.row);
    }
    text += std::to_string(outcome.offspring) + ":" + std::to_string(outcome.hits.size()) + "," +
            std::to_string(outcome.families) + "," + std::to_string(confirmed) + "\n";
  }
  std::string text;
};

struct Outputs {
  std::string parents, families, genotypes, heard;
};

Outputs analyseWith(const Tables& tables, int radius, unsigned threads) {
  Data parents = Data::fromText(tables.parents, -99, "#");
  Data sons = Data::fromText(tables.sons, -99, "#");
  MemorySink parentSink, familySink, genotypeSink;
  Transcript transcript;
  analyse(parents, sons, radius, -99, {parentSink, familySink, genotypeSink}, nullptr, &transcript,
          threads);
  return {parentSink.content, familySink.content, genotypeSink.content, transcript.text};
}

TEST(Threads, ReportsAndListenerAreTheSameForOneTwoAndSevenThreads) {
  const Tables tables = generatedTables(16);
  // Radius 2 searches the allele index, radius 9 the block scan.
  for (int radius : {2, 9}) {
    SCOPED_TRACE("radius " + std::to_string(radius));
    const Outputs one = analyseWith(tables, radius, 1);
    // The failed sample alone writes more than the writer buffers.
    ASSERT_GT(one.genotypes.size(), 4 * ReportSink::kFlushBytes);
    for (unsigned threads : {2u, 7u}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      const Outputs many = analyseWith(tables, radius, threads);
      EXPECT_EQ(many.parents, one.parents);
      EXPECT_EQ(many.families, one.families);
      EXPECT_EQ(many.genotypes, one.genotypes);
      EXPECT_EQ(many.heard, one.heard);
    }
  }
}

}  // namespace
