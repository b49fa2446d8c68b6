// The calibration by simulation: its thresholds on calls worked by hand, the
// simulated offspring against their parents, and whole runs with --calibrate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "calibration/calibration.h"
#include "calibration/calibration_file.h"
#include "calibration/critical_threshold.h"
#include "calibration/offspring_simulator.h"
#include "calibration/sim_random.h"
#include "run_fixture.h"

namespace {

TEST(CriticalThreshold, LowestScoreWhoseCallsAreRightOftenEnough) {
  // Scores 9..1; wrong at 7 and at 3 and 2.
  const std::vector<ScoredCall> calls = {{9, true}, {8, true}, {7, false}, {6, true}, {5, true},
                                         {4, true}, {3, false}, {2, false}, {1, true}};
  struct Case {
    double precision;
    bool reached;
    double score;
    size_t called;
  };
  for (const Case& c : {Case{0.80, true, 4, 6}, Case{0.70, true, 3, 7}, Case{0.60, true, 1, 9},
                        Case{0.95, true, 8, 2},
                        Case{1.0, true, 8, 2}}) {
    const CriticalThreshold t = criticalThreshold(calls, 20, c.precision);
    EXPECT_EQ(t.reached, c.reached) << c.precision;
    EXPECT_EQ(t.score, c.score) << c.precision;
    EXPECT_EQ(t.called, c.called) << c.precision;
    EXPECT_DOUBLE_EQ(t.share, static_cast<double>(c.called) / 20) << c.precision;
  }
  EXPECT_FALSE(criticalThreshold({{5, false}, {3, true}}, 2, 0.8).reached);
  EXPECT_FALSE(criticalThreshold({}, 10, 0.8).reached);
  // Calls of one score stand or fall together: 3 of 4 at score 2 is 75%.
  EXPECT_FALSE(criticalThreshold({{2, true}, {2, false}, {2, true}, {2, true}}, 4, 0.8).reached);
  const CriticalThreshold from = callsFrom(calls, 20, 5);
  EXPECT_EQ(from.called, 5u);
  EXPECT_EQ(from.right, 4u);
}

// A random population: `loci` loci of `alleles` alleles (spaced two apart),
// `mothers` and `fathers`, offspring of random pairs.
struct Population {
  std::vector<std::vector<int>> parents;
  std::vector<std::vector<int>> offspring;
  int32_t loci;
  int32_t mothers;
  GenotypeTables tables() const { return {parents, offspring, loci, mothers, -99}; }
};

Population population(int32_t loci, int alleles, int32_t mothers, int32_t fathers, size_t children) {
  Population p{{}, {}, loci, mothers};
  SimRandom random(7);
  for (int32_t i = 0; i < mothers + fathers; ++i) {
    std::vector<int>& row = p.parents.emplace_back();
    for (int32_t l = 0; l < 2 * loci; ++l) row.push_back(100 + 2 * static_cast<int>(random.below(alleles)));
    row.push_back(i < mothers ? 1001 + i : 2001 + i);
  }
  for (size_t c = 0; c < children; ++c) {
    const auto& m = p.parents[random.below(static_cast<size_t>(mothers))];
    const auto& f = p.parents[static_cast<size_t>(mothers) + random.below(static_cast<size_t>(fathers))];
    std::vector<int>& row = p.offspring.emplace_back();
    for (int32_t l = 0; l < loci; ++l) {
      row.push_back(m[2 * l + random.below(2)]);
      row.push_back(c % 4 == 0 && l == 0 ? -99 : f[2 * l + random.below(2)]);
    }
  }
  return p;
}

TEST(OffspringSimulator, InheritsFromItsParentsAndTheMissingRates) {
  const Population p = population(6, 5, 10, 10, 40);
  const GenotypeTables tables = p.tables();
  const AlleleFrequencies frequencies = AlleleFrequencies::count(tables);
  struct Case {
    double sampledMothers;
    double sampledFathers;
  };
  for (const Case& c : {Case{1, 1}, Case{0, 1}, Case{1, 0}, Case{0.5, 0.5}}) {
    SimulationSettings settings;
    settings.errorRate = 0;
    settings.sampledMothers = c.sampledMothers;
    settings.sampledFathers = c.sampledFathers;
    const OffspringSimulator simulator(tables, frequencies, {}, settings);
    EXPECT_DOUBLE_EQ(simulator.missingRates()[0], 0.25);
    SimulatedOffspring child;
    SimulatedOffspring again;
    size_t untyped = 0;
    std::set<bool> motherSampled;
    for (uint64_t i = 0; i < 400; ++i) {
      simulator.simulate(i, child);
      simulator.simulate(i, again);
      ASSERT_EQ(child.row, again.row);
      motherSampled.insert(child.mother >= 0);
      if (c.sampledMothers == 0) { ASSERT_EQ(child.mother, -1); }
      if (c.sampledFathers == 0) { ASSERT_EQ(child.father, -1); }
      if (c.sampledMothers == 1) { ASSERT_TRUE(child.mother >= 0 && child.mother < 10); }
      if (c.sampledFathers == 1) { ASSERT_TRUE(child.father >= 10 && child.father < 20); }
      untyped += child.row[0] == -99 ? 1 : 0;
      for (int32_t l = 1; l < 6 && child.mother >= 0 && child.father >= 0; ++l) {
        const std::vector<int>& m = p.parents[static_cast<size_t>(child.mother)];
        const std::vector<int>& f = p.parents[static_cast<size_t>(child.father)];
        const int a = child.row[2 * l];
        const int b = child.row[2 * l + 1];
        if (a == -99) continue;
        ASSERT_TRUE((a == m[2 * l] || a == m[2 * l + 1]) && (b == f[2 * l] || b == f[2 * l + 1]))
            << "offspring " << i << " locus " << l;
      }
    }
    // 400 draws at 25%: far outside 60 to 140 is a fault, not chance.
    EXPECT_GT(untyped, 60u);
    EXPECT_LT(untyped, 140u);
    if (c.sampledMothers == 0.5) { EXPECT_EQ(motherSampled.size(), 2u); }
  }
}

TEST(OffspringSimulator, ErrorsMoveOneRepeatStepOrDrawAnAllele) {
  const Population p = population(4, 4, 5, 5, 10);
  const GenotypeTables tables = p.tables();
  const AlleleFrequencies frequencies = AlleleFrequencies::count(tables);
  SimulationSettings settings;
  settings.errorRate = 0.5;
  const OffspringSimulator simulator(tables, frequencies, {}, settings);
  SimulatedOffspring child;
  for (uint64_t i = 0; i < 300; ++i) {
    simulator.simulate(i, child);
    for (int value : child.row) {
      // Alleles are 100..106 in steps of two. A parent's record and the
      // offspring's typing each err at most one step: 96 to 110.
      if (value != -99) { ASSERT_TRUE(value >= 96 && value <= 110 && value % 2 == 0) << value; }
    }
  }
}

TEST(Calibration, SameForAnyThreadCountAndKnownMothersCalibrateTheFather) {
  const Population p = population(10, 6, 30, 30, 60);
  const GenotypeTables tables = p.tables();
  const AlleleFrequencies frequencies = AlleleFrequencies::count(tables);
  RankingSettings ranking;
  SimulationSettings settings;
  settings.seed = 3;
  const Calibration one = calibrate(tables, frequencies, ranking, {}, settings, 700, 1);
  const Calibration three = calibrate(tables, frequencies, ranking, {}, settings, 700, 3);
  EXPECT_EQ(calibrationText(one, tables, ranking), calibrationText(three, tables, ranking));
  ASSERT_EQ(one.roles.size(), 3u);
  for (const RoleCalibration& role : one.roles) {
    // Ten loci of six alleles, every parent sampled: most calls are right.
    EXPECT_GT(role.called, 600u) << roleName(role.role);
    ASSERT_TRUE(role.strictPosterior.reached && role.strictDelta.reached) << roleName(role.role);
    // Never below the posterior's own level; the precision is that of the
    // calls reaching both thresholds.
    EXPECT_GE(role.strictPosterior.score, 0.95);
    EXPECT_GE(role.relaxedPosterior.score, 0.80);
    EXPECT_GE(role.strictDelta.precision, 0.95);
    EXPECT_GE(role.relaxedDelta.precision, 0.80);
    EXPECT_LE(role.strictDelta.called, role.strictPosterior.called);
  }
  const RoleThresholds used = one.thresholds();
  EXPECT_EQ(used.mother.strictPosterior, one.roles[0].strictPosterior.score);
  EXPECT_EQ(used.pair.relaxedDelta, one.roles[2].relaxedDelta.score);
  EXPECT_EQ(used.fatherGivenMother.strictPosterior, CallThresholds().strictPosterior);
  settings.seed = 4;
  EXPECT_NE(calibrationText(calibrate(tables, frequencies, ranking, {}, settings, 700, 1), tables,
                            ranking),
            calibrationText(one, tables, ranking));
  std::vector<int32_t> known(p.offspring.size(), -1);
  known[0] = 3;
  known[1] = 5;
  const Calibration given = calibrate(tables, frequencies, ranking, known, settings, 300, 2);
  ASSERT_EQ(given.roles.size(), 1u);
  EXPECT_EQ(given.roles[0].role, Role::FatherGivenMother);
  EXPECT_TRUE(std::isfinite(given.thresholds().fatherGivenMother.strictDelta));
  EXPECT_EQ(given.thresholds().mother.strictDelta, 0.0);
}

}  // namespace

namespace {

const std::string kCalibrationArgs = "-q -r 2 --table t.tsv";

// The table's text with every *_call cell emptied.
std::string withoutCalls(const std::string& table) {
  std::vector<bool> call;
  std::string out;
  size_t start = 0;
  bool header = true;
  while (start < table.size()) {
    const size_t end = table.find('\n', start);
    const std::string line = table.substr(start, end - start);
    size_t cell = 0;
    size_t from = 0;
    for (;;) {
      const size_t tab = line.find('\t', from);
      const std::string value = line.substr(from, tab == std::string::npos ? std::string::npos : tab - from);
      const bool isCall = value.size() > 5 && value.compare(value.size() - 5, 5, "_call") == 0;
      if (header) call.push_back(isCall);
      out += (cell < call.size() && call[cell]) ? std::string() : value;
      out += tab == std::string::npos ? "\n" : "\t";
      if (tab == std::string::npos) break;
      from = tab + 1;
      ++cell;
    }
    header = false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

// Through the real program: the same seed writes the same file whatever the
// threads, another seed another; the reports and the table stay as without.
TEST(CalibrateOption, SameSeedSameBytesAndTheReportsUnchanged) {
  std::map<std::string, std::string> files;
  const Population p = population(8, 6, 20, 20, 30);
  for (const auto* table : {&p.parents, &p.offspring}) {
    std::string& text = files[table == &p.parents ? "parents.PAR" : "sons.PRO"];
    for (const std::vector<int>& row : *table) {
      for (int value : row) text += std::to_string(value) + " ";
      text += "\n";
    }
  }
  const RunResult plain = runParentsphere(files, "", kCalibrationArgs);
  const RunResult one = runParentsphere(files, "", kCalibrationArgs + " --calibrate 300 --seed 9 --threads 1");
  const RunResult two = runParentsphere(files, "", kCalibrationArgs + " --calibrate 300 --seed 9 --threads 2");
  const RunResult other = runParentsphere(files, "", kCalibrationArgs + " --calibrate 300 --seed 10");
  ASSERT_EQ(0, one.status) << one.stdoutText << one.stderrText;
  ASSERT_EQ(1u, one.files.count("t.tsv.calibration"));
  EXPECT_EQ(one.files.at("t.tsv.calibration"), two.files.at("t.tsv.calibration"));
  EXPECT_NE(one.files.at("t.tsv.calibration"), other.files.at("t.tsv.calibration"));
  EXPECT_NE(std::string::npos, one.files.at("t.tsv.calibration").find("# simulated\t300\n# seed\t9\n"));
  for (const char* file : {"Parent.out", "Fam.out", "Famgenotypes.out"}) {
    EXPECT_EQ(plain.files.at(file), one.files.at(file)) << file;
  }
  // The calibrated thresholds change the calls, nothing else.
  EXPECT_EQ(withoutCalls(plain.files.at("t.tsv")), withoutCalls(one.files.at("t.tsv")));
  EXPECT_EQ(plain.stdoutText, one.stdoutText);
  EXPECT_EQ(0u, plain.files.count("t.tsv.calibration"));
}

TEST(CalibrateOption, RefusedValuesAreUsageErrors) {
  const std::map<std::string, std::string> files = {{"parents.PAR", "100 102 1001\n102 104 2001\n"},
                                                    {"sons.PRO", "100 104\n"}};
  const struct {
    const char* args;
    const char* error;
  } cases[] = {
      {"-r 2 --calibrate", "--calibrate needs --table"},
      {"-r 2 --table t --calibrate 99", "'99' is not a whole number from 100 to 10000000"},
      {"-r 2 --table t --calibrate 10000001", "'10000001' is not a whole number"},
      {"-r 2 --table t --calibrate 1e4", "'1e4' is not a whole number"},
      {"-r 2 --table t --seed 4", "--seed needs --calibrate"},
      {"-r 2 --table t --sim-error 0.1", "--sim-error needs --calibrate"},
      {"-r 2 --table t --calibrate --sim-error 0.51", "'0.51' is not a number from 0 to 0.5"},
      {"-r 2 --table t --calibrate --seed -1", "--seed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const RunResult run = runParentsphere(files, "", c.args);
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.stderrText.find(c.error)) << run.stderrText;
    EXPECT_EQ(1u, std::count(run.stderrText.begin(), run.stderrText.end(), '\n'));
    EXPECT_EQ(2u, run.files.size());
  }
}

}  // namespace
