// --max-mismatches auto: the limit per number of typed loci against the
// binomial tail summed term by term, and through the real program.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ranking/mismatch_limit.h"
#include "run_fixture.h"
#include "tiny_population.h"

namespace {

// P(Binomial(n, e) > k), its terms built by the ratio of successive terms.
double tailAbove(int n, double e, int k) {
  double term = std::pow(1.0 - e, n);
  double below = 0.0;
  for (int j = 0; j <= k && j <= n; ++j) {
    below += term;
    term *= (n - j) / (j + 1.0) * e / (1.0 - e);
  }
  return 1.0 - below;
}

TEST(MismatchLimit, SmallestLimitWhoseTailIsAtMostTheShare) {
  const struct {
    int loci;
    double errorRate;
    double share;
  } cases[] = {{24, 0.02, 0.001}, {96, 0.02, 0.001}, {200, 0.01, 0.001},
               {500, 0.05, 0.001}, {96, 0.005, 0.01},  {30, 0.5, 0.001}};
  for (const auto& c : cases) {
    const std::vector<int32_t> limits = mismatchLimits(c.loci, c.errorRate, c.share);
    ASSERT_EQ(limits.size(), static_cast<size_t>(c.loci) + 1);
    EXPECT_EQ(limits[0], 0);
    for (int n = 1; n <= c.loci; ++n) {
      const int k = limits[static_cast<size_t>(n)];
      SCOPED_TRACE(std::to_string(n) + " loci, e " + std::to_string(c.errorRate));
      EXPECT_LE(tailAbove(n, c.errorRate, k), c.share + 1e-12);
      if (k > 0) {
        EXPECT_GT(tailAbove(n, c.errorRate, k - 1), c.share);
      }
      // More loci never ask for a smaller limit.
      EXPECT_GE(k, limits[static_cast<size_t>(n - 1)]);
    }
  }
  // By hand: one locus at e = 0.02 loses 2% at K = 0, nothing at K = 1;
  // 96 loci at e = 1e-6 lose under 1e-4 at K = 0.
  EXPECT_EQ(mismatchLimits(1, 0.02)[1], 1);
  EXPECT_EQ(mismatchLimits(96, 1e-6)[96], 0);
  // Thousands of loci: (1 - e)^n underflows, the logarithms do not.
  EXPECT_GT(mismatchLimits(50000, 0.02)[50000], 1000);
}

// The chance that a true parent shares no allele with its offspring at a
// locus, worked by hand: e p q at an SNP, e / 3 with three equal alleles,
// nothing at a locus with one allele; averaged over the loci.
TEST(MismatchLimit, TrueParentMismatchRateByHand) {
  const struct {
    std::vector<std::pair<int32_t, double>> alleles;
    double perError;
  } loci[] = {{{{1, 0.5}, {2, 0.5}}, 0.25},
              {{{1, 0.2}, {2, 0.8}}, 0.16},
              {{{100, 1.0 / 3}, {102, 1.0 / 3}, {104, 1.0 / 3}}, 1.0 / 3},
              {{{7, 1.0}}, 0.0}};
  for (const auto& locus : loci) {
    const AlleleFrequencies one({locus.alleles});
    EXPECT_NEAR(trueParentMismatchRate(one, {0.02}), 0.02 * locus.perError, 1e-12);
  }
  const AlleleFrequencies two({loci[0].alleles, loci[2].alleles});
  EXPECT_NEAR(trueParentMismatchRate(two, {0.02, 0.05}), (0.02 * 0.25 + 0.05 / 3) / 2, 1e-12);
}

// The table's note when the default K is below what auto would use: on an
// SNP panel that needs more, not once K is chosen, nor with -q.
TEST(MismatchLimit, NoteWhenTheDefaultIsBelowAuto) {
  const std::map<std::string, std::string> snps =
      popgenTables("--mothers 40 --fathers 40 --offspring 60 --loci 200 --snp --seed 3");
  const struct {
    std::string options;
    bool noted;
  } cases[] = {{"-r 0 --table t.tsv", true},
               {"-r 0 --table t.tsv --max-mismatches 2", false},
               {"-r 0 --table t.tsv --max-mismatches auto", false},
               {"-q -r 0 --table t.tsv", false}};
  for (const auto& c : cases) {
    const RunResult run = runParentsphere(snps, "", c.options);
    ASSERT_EQ(run.status, 0) << run.stderrText;
    const bool noted = run.stderrText.find("parentsphere: note: at 200 loci, K = 2 (the default) "
                                           "may leave up to about ") != std::string::npos;
    EXPECT_EQ(noted, c.noted) << c.options << "\n" << run.stderrText;
    if (c.noted) {
      EXPECT_NE(run.stderrText.find("offspring with a strict parent but no strict pair are "
                                    "ranked again at K = 5 (--max-mismatches auto's)\n"),
                std::string::npos)
          << run.stderrText;
    }
  }
}

// Without --max-mismatches, an offspring whose pair is not strict at K = 2
// while its mother or father is gets the row auto gives it (K = 5 on 200
// SNPs, typed with 3% errors so that some true parents mismatch at three
// loci or more); the others keep the row of K = 2.
TEST(MismatchLimit, TheDefaultRanksAgainAtAutoWhereNoPairIsStrict) {
  const std::map<std::string, std::string> snps =
      popgenTables("--mothers 40 --fathers 40 --offspring 60 --loci 200 --snp --seed 3 --error 0.03");
  const auto rowsOf = [&snps](const std::string& options) {
    const RunResult run = runParentsphere(snps, "", "-q -r 0 --table t.tsv" + options);
    EXPECT_EQ(run.status, 0) << run.stderrText;
    std::vector<std::string> rows;
    std::istringstream text(run.files.at("t.tsv"));
    for (std::string line; std::getline(text, line);) rows.push_back(line);
    return rows;
  };
  const std::vector<std::string> fixed = rowsOf(" --max-mismatches 2");
  const std::vector<std::string> automatic = rowsOf(" --max-mismatches auto");
  const std::vector<std::string> byDefault = rowsOf("");
  ASSERT_EQ(fixed.size(), 61u);
  ASSERT_EQ(byDefault.size(), fixed.size());
  ASSERT_EQ(automatic.size(), fixed.size());
  size_t kept = 0;
  size_t again = 0;
  for (size_t row = 1; row < fixed.size(); ++row) {
    std::vector<std::string> cells;
    std::istringstream line(fixed[row]);
    for (std::string cell; std::getline(line, cell, '\t');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 34u) << fixed[row];
    // mother_call, father_call, pair_call
    const bool widened =
        cells[23] != "strict" && (cells[10] == "strict" || cells[17] == "strict");
    EXPECT_EQ(byDefault[row], widened ? automatic[row] : fixed[row]) << "row " << row;
    ++(widened ? again : kept);
  }
  EXPECT_GT(kept, 0u);
  EXPECT_GT(again, 0u);
}

// On the tiny population (one locus) auto gives K = 1 to the offspring typed
// there and K = 0 to son 2, typed nowhere; the rest of the table is that of
// K = 2, which lets every parent through as K = 1 does.
TEST(MismatchLimit, AutoThroughTheProgramSaysWhichLimitEachRowUsed) {
  const std::map<std::string, std::string> inputs = {{"parents.PAR", tiny::kParents},
                                                     {"sons.PRO", tiny::kSons}};
  const RunResult fixed = runParentsphere(inputs, "", "-q -r 2 --table t.tsv");
  const RunResult automatic =
      runParentsphere(inputs, "", "-q -r 2 --table t.tsv --max-mismatches auto");
  ASSERT_EQ(fixed.status, 0) << fixed.stderrText;
  ASSERT_EQ(automatic.status, 0) << automatic.stderrText;
  std::string expected = fixed.files.at("t.tsv");
  const char* const limits[] = {"1", "0", "1"};
  size_t line = expected.find('\n');  // after the header
  for (const char* limit : limits) {
    const size_t end = expected.find('\n', line + 1);
    const size_t cell = expected.rfind('\t', end);
    ASSERT_EQ(expected.substr(cell + 1, end - cell - 1), "2");
    expected.replace(cell + 1, end - cell - 1, limit);
    line = expected.find('\n', line + 1);
  }
  EXPECT_EQ(automatic.files.at("t.tsv"), expected);
  for (const char* report : {"Parent.out", "Fam.out", "Famgenotypes.out"}) {
    EXPECT_EQ(automatic.files.at(report), fixed.files.at(report)) << report;
  }
}

}  // namespace
