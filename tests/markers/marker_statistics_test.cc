// The marker figures on loci worked by hand, the combined row, the table text
// and the mismatch rates.
#include <gtest/gtest.h>

#include <stdexcept>

#include "markers/allele_counts.h"
#include "util/decimal_text.h"
#include "markers/marker_statistics.h"
#include "markers/marker_table.h"
#include "markers/mismatch_rate.h"

namespace {

constexpr int kMissing = -99;

LocusCounts locus(std::map<int32_t, uint64_t> alleles, uint64_t typed, uint64_t heterozygous) {
  return {std::move(alleles), typed, heterozygous};
}

using Figure = std::optional<double>;

struct FormulaCase {
  const char* name;
  LocusCounts counts;
  Figure ho, he, pic, excl1p, excl2p, exclpp, fNull;
};

void expectFigure(const char* what, const Figure& expected, const Figure& got) {
  SCOPED_TRACE(what);
  ASSERT_EQ(expected.has_value(), got.has_value());
  if (expected) {
    EXPECT_NEAR(*expected, *got, 1e-6);
  }
}

TEST(MarkerStatistics, FormulasOnHandWorkedLoci) {
  constexpr uint64_t kMany = 1000000;  // he -> 1 - a_2 as N grows
  const FormulaCase cases[] = {
      {"two equal alleles, N large", locus({{100, kMany}, {102, kMany}}, kMany, kMany / 2), 0.5,
       0.5, 0.375, 0.125, 0.1875, 0.28125, 0.0},
      // p = 1/2, 1/4, 1/4 from (10,12) and (10,14): he = 2/1 * (1 - 0.375).
      {"three alleles, two individuals", locus({{10, 2}, {12, 1}, {14, 1}}, 2, 2), 1.0, 1.25,
       0.5546875, 0.1953125, 0.341796875, 0.49267578125, 0.25 / 2.25},
      {"one typed heterozygote: no he", locus({{10, 1}, {12, 1}}, 1, 1), 1.0, {}, 0.375, 0.125,
       0.1875, 0.28125, {}},
      {"one allele: empty cells", locus({{10, 8}}, 4, 0), {}, {}, {}, {}, {}, {}, {}},
      {"no typed individual: empty cells", locus({}, 0, 0), {}, {}, {}, {}, {}, {}, {}},
  };
  for (const FormulaCase& c : cases) {
    SCOPED_TRACE(c.name);
    const MarkerRow row = locusStatistics(c.counts);
    EXPECT_EQ(static_cast<double>(c.counts.alleles.size()), row.alleles);
    EXPECT_EQ(static_cast<double>(c.counts.typed), row.typed);
    expectFigure("ho", c.ho, row.ho);
    expectFigure("he", c.he, row.he);
    expectFigure("pic", c.pic, row.pic);
    expectFigure("excl_1p", c.excl1p, row.excl1p);
    expectFigure("excl_2p", c.excl2p, row.excl2p);
    expectFigure("excl_pp", c.exclpp, row.exclpp);
    expectFigure("f_null", c.fNull, row.fNull);
    EXPECT_FALSE(row.mismatchRate.has_value());
  }
}

TEST(MarkerStatistics, CombinedRowMultipliesPassingAndAveragesTheRest) {
  MarkerRow a = locusStatistics(locus({{1, 4}, {2, 4}}, 4, 2));  // excl_1p 0.125
  MarkerRow b = a;
  a.mismatchRate = 0.1;
  const MarkerRow empty = locusStatistics(locus({{1, 6}}, 3, 0));
  const MarkerRow all = combinedStatistics({a, b, empty});
  EXPECT_NEAR(1 - 0.875 * 0.875, *all.excl1p, 1e-12);
  EXPECT_NEAR(1 - 0.8125 * 0.8125, *all.excl2p, 1e-12);
  EXPECT_NEAR(1 - 0.71875 * 0.71875, *all.exclpp, 1e-12);
  EXPECT_NEAR(0.5, *all.ho, 1e-12);           // the empty locus is left out of the means
  EXPECT_NEAR(0.1, *all.mismatchRate, 1e-12);  // only locus a has one
  EXPECT_NEAR(5.0 / 3, all.alleles, 1e-12);    // counts average over every locus
  EXPECT_NEAR(11.0 / 3, all.typed, 1e-12);
  EXPECT_FALSE(combinedStatistics({empty}).excl1p.has_value());
}

TEST(MarkerTable, FixedDecimalsAndEmptyCells) {
  std::vector<LocusCounts> counts(2);
  // Parents carry an identifier after their alleles; -99 leaves a locus untyped.
  countAlleles({{100, 102, 7, 7, 1}, {100, 100, kMissing, 7, 2}}, kMissing, counts);
  countAlleles({{102, 102, 7, 7}}, kMissing, counts);
  std::vector<MarkerRow> rows = {locusStatistics(counts[0]), locusStatistics(counts[1])};
  rows[0].mismatchRate = 0.25;
  EXPECT_EQ(
      "locus\talleles\ttyped\tho\the\tpic\texcl_1p\texcl_2p\texcl_pp\tf_null\tmismatch_rate\n"
      "1\t2\t3\t0.3333\t0.7500\t0.3750\t0.1250\t0.1875\t0.2812\t0.2381\t0.2500\n"
      "2\t1\t2\t\t\t\t\t\t\t\t\n"
      "all\t1.50\t2.50\t0.3333\t0.7500\t0.3750\t0.1250\t0.1875\t0.2812\t0.2381\t0.2500\n",
      markerTableText(rows, combinedStatistics(rows)));
}

TEST(DecimalText, SameBytesEverywhereAndNoNegativeZero) {
  const struct {
    std::string got;
    const char* expected;
  } cases[] = {
      {decimalText(-0.00001, 4), "0.0000"},  // a tiny negative f_null
      {decimalText(-0.00005001, 4), "-0.0001"},
      {decimalText(std::optional<double>(), 4), ""},
      {shortDecimalText(2.0, 4), "2"},
      {shortDecimalText(0.25, 4), "0.25"},
      {significantText(0.000543, 2), "0.00054"},
      {significantText(1.84, 2), "1.8"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, c.got);
}

TEST(AlleleCounts, ShortRowIsRefusedNotOverread) {
  std::vector<LocusCounts> counts(2);
  EXPECT_THROW(countAlleles({{1, 2, 3}}, kMissing, counts), std::invalid_argument);
}

TEST(MismatchRate, SharesWithoutAnAlleleAmongPairsTypedAtTheLocus) {
  const std::vector<int> offspring = {10, 12, 20, 20, 30, kMissing};
  const std::vector<int> sharing = {12, 14, 20, 22, 30, 30};
  const std::vector<int> apart = {14, 16, 22, 22, 30, 30};
  const std::vector<GenotypePair> pairs = {{offspring.data(), sharing.data()},
                                           {offspring.data(), apart.data()},
                                           {offspring.data(), apart.data()}};
  const std::vector<std::optional<double>> rates = mismatchRates(pairs, 3, kMissing);
  ASSERT_EQ(3u, rates.size());
  EXPECT_NEAR(2.0 / 3, *rates[0], 1e-12);
  EXPECT_NEAR(2.0 / 3, *rates[1], 1e-12);
  EXPECT_FALSE(rates[2].has_value());  // the offspring is half-typed there
  EXPECT_TRUE(mismatchRates({}, 1, kMissing)[0] == std::nullopt);
}

}  // namespace
