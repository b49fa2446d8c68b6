// The reports, and what a listener hears, must not depend on the number of
// threads: blocks of offspring finish in any order but are written in order.
// CI also runs these under ThreadSanitizer (.ci/run, build-tsan).
#include <algorithm>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "engine_run.h"
#include "analysis/analyse.h"
#include "input/table_checks.h"
#include "ranking/ranked_table.h"
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

// Every ranking the table hands on, in the order heard.
class RankingTranscript : public RankingListener {
 public:
  void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) override {
    text += std::to_string(offspring) + ":" + std::to_string(ranking.pair.mother) + "x" +
            std::to_string(ranking.pair.father) + "," + std::to_string(ranking.pair.lod) + "," +
            std::to_string(minDelta) + "\n";
  }
  std::string text;
};

struct Outputs {
  std::string parents, families, genotypes, heard, table, rankings;
};

// The reports with the listener, or, with `withTable`, with the ranked table
// as well (its rows searched on every thread).
Outputs analyseWith(const Tables& tables, int radius, unsigned threads, bool withTable = false) {
  Data parents = Data::fromText(tables.parents, -99, "#");
  Data sons = Data::fromText(tables.sons, -99, "#");
  MemorySink parentSink, familySink, genotypeSink, tableSink;
  Transcript transcript;
  RankingTranscript rankings;
  if (!withTable) {
    analyseTables(parents, sons, radius, -99, {parentSink, familySink, genotypeSink}, nullptr,
            &transcript, threads);
    return {parentSink.content, familySink.content, genotypeSink.content, transcript.text, "", ""};
  }
  const CheckedTables checked = checkTables(parents, sons, -99);
  const GenotypeTables genotypes = genotypeTables(checked);
  TableOptions options;
  options.table = "table";
  RankedTable table(genotypes, options, radius);
  table.start(tableSink);
  table.tellRankings(&rankings);
  analyse(checked, radius, {parentSink, familySink, genotypeSink}, {nullptr, &transcript, &table},
          threads);
  EXPECT_TRUE(table.close());
  return {parentSink.content, familySink.content, genotypeSink.content, transcript.text,
          tableSink.content, rankings.text};
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

TEST(Threads, RankedTableIsTheSameForOneTwoAndSevenThreads) {
  const Tables tables = generatedTables(23);
  for (int radius : {2, 9}) {
    SCOPED_TRACE("radius " + std::to_string(radius));
    const Outputs plain = analyseWith(tables, radius, 1);
    const Outputs one = analyseWith(tables, radius, 1, true);
    // The table leaves the reports and what the listener hears as they were.
    EXPECT_EQ(one.parents, plain.parents);
    EXPECT_EQ(one.families, plain.families);
    EXPECT_EQ(one.genotypes, plain.genotypes);
    EXPECT_EQ(one.heard, plain.heard);
    // A header and one row per offspring; every offspring's ranking heard.
    EXPECT_EQ(std::count(one.table.begin(), one.table.end(), '\n'), 701);
    EXPECT_EQ(std::count(one.rankings.begin(), one.rankings.end(), '\n'), 700);
    for (unsigned threads : {2u, 7u}) {
      SCOPED_TRACE(std::to_string(threads) + " threads");
      const Outputs many = analyseWith(tables, radius, threads, true);
      EXPECT_EQ(many.table, one.table);
      EXPECT_EQ(many.rankings, one.rankings);
      EXPECT_EQ(many.families, one.families);
      EXPECT_EQ(many.heard, one.heard);
    }
  }
}

}  // namespace
