// The summary's per-offspring counts, heard from the engine.
#include <gtest/gtest.h>

#include <array>

#include "engine_run.h"
#include "analysis/analyse.h"
#include "input/table_checks.h"
#include "page/offspring_tally.h"

namespace {

class DropSink : public ReportSink {
 public:
  void write(std::string& text) override { text.clear(); }
  void writeHead(std::string& head) override { head.clear(); }
  bool close() override { return true; }
};

TEST(OffspringTally, CountsCandidatesBySexAndFamilies) {
  // One locus, radius 0: mothers 1 and 2 and father 2001 each share an allele
  // with the first offspring, and both mothers pair with 2001; father 2002
  // shares none. The second offspring matches no one.
  Data parents = Data::fromText("100 102 1\n104 106 2\n100 104 2001\n108 110 2002\n", -99, "#");
  Data sons = Data::fromText("100 104\n120 120\n", -99, "#");
  OffspringTally tally(contmadres(parents.rows));
  DropSink a, b, c;
  analyseTables(parents, sons, 0, -99, {a, b, c}, nullptr, &tally);
  std::vector<std::array<size_t, 3>> counts;
  for (const OffspringCounts& o : tally.counts()) counts.push_back({o.mothers, o.fathers, o.families});
  const std::vector<std::array<size_t, 3>> expected = {{2, 1, 2}, {0, 0, 0}};
  EXPECT_EQ(expected, counts);
}

}  // namespace
