// The near and far distance of a candidate's genotype from an offspring's.
#include <algorithm>
#include <climits>
#include <random>

#include <gtest/gtest.h>

#include "status/run_failure.h"
#include "run_fixture.h"
#include "reference/espacio.h"
#include "test_support.h"

namespace {

Par distance(const Loci& offspring, const Loci& candidate) {
  return Espacio::D1(Punto(toGenotype(offspring)), Punto(toGenotype(candidate)));
}

struct DistanceCase {
  const char* name;
  Loci offspring;
  Loci candidate;
  int32_t near;
  int32_t far;
};

TEST(D1, WorkedExamples) {
  MissingCode code(-99);
  const DistanceCase cases[] = {
      {"no loci", {}, {}, 0, 0},
      {"identical", {{100, 104}, {88, 90}}, {{100, 104}, {88, 90}}, 0, 0},
      {"one allele shared", {{100, 104}}, {{100, 102}}, 0, 2},
      {"no allele shared", {{100, 104}}, {{102, 106}}, 2, 2},
      {"heterozygous offspring, homozygous candidate", {{100, 102}}, {{100, 100}}, 0, 2},
      {"homozygous offspring, heterozygous candidate", {{100, 100}}, {{100, 102}}, 0, 0},
      {"offspring alleles in reverse order", {{104, 100}}, {{100, 102}}, 0, 2},
      {"candidate alleles in reverse order", {{100, 104}}, {{102, 100}}, 0, 2},
      {"nearest allele, not the first", {{100, 120}}, {{118, 99}}, 1, 2},
      {"missing first offspring allele", {{-99, 104}}, {{1, 500}}, 0, 0},
      {"missing second offspring allele", {{104, -99}}, {{1, 500}}, 0, 0},
      {"missing first candidate allele", {{1, 2}}, {{-99, 500}}, 0, 0},
      {"missing second candidate allele", {{1, 2}}, {{500, -99}}, 0, 0},
      {"all loci missing", {{100, 104}, {7, 9}}, {{-99, -99}, {-99, -99}}, 0, 0},
      {"terms add up", {{100, 104}, {100, 104}}, {{100, 102}, {102, 106}}, 2, 4},
      {"missing locus between others", {{100, 104}, {-99, 5}, {100, 104}},
       {{100, 102}, {300, 400}, {102, 106}}, 2, 4},
      {"invalid marker is an ordinary allele", {{-100000, 100}}, {{100, 100}}, 0, 100100},
      {"largest difference of one locus", {{INT32_MAX, 1}}, {{1, 1}}, 0, INT32_MAX - 1},
      // Exact per-locus terms: a 32-bit difference would wrap to -1 here.
      {"difference beyond 32 bits", {{INT32_MIN, INT32_MAX}}, {{INT32_MAX, INT32_MAX}}, 0,
       INT32_MAX},
      // Exact sums saturate: in 32 bits the far sum would wrap to -4, "inside" any sphere.
      {"sum beyond 32 bits", {{1, INT32_MAX}, {1, INT32_MAX}}, {{1, 1}, {1, 1}}, 0, INT32_MAX},
      {"both sums saturate", {{INT32_MAX, INT32_MAX}, {INT32_MAX, INT32_MAX}},
       {{-100000, -100000}, {-100000, -100000}}, INT32_MAX, INT32_MAX},
  };
  for (const DistanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Par d = distance(c.offspring, c.candidate);
    EXPECT_EQ(d.allele1, c.near);
    EXPECT_EQ(d.allele2, c.far);
    EXPECT_FALSE(d.mark1 || d.mark2 || d.mark3);
  }
}

TEST(D1, MissingCodeIsReadFromTheGlobalAtEachCall) {
  {
    MissingCode code(-99);
    const Par d = distance({{-99, 104}}, {{100, 100}});
    EXPECT_EQ(d.allele1, 0);
    EXPECT_EQ(d.allele2, 0);
  }
  {
    // Before the driver sets the code, -99 is an allele like any other.
    MissingCode code(0);
    const Par d = distance({{-99, 104}}, {{100, 100}});
    EXPECT_EQ(d.allele1, 4);
    EXPECT_EQ(d.allele2, 199);
  }
}

// A direct reading of the definition: order both pairs, skip loci with a
// missing value, add the smaller and the larger nearest-allele distance.
std::pair<long long, long long> referenceDistance(const Loci& a, const Loci& b, int missing) {
  long long near = 0;
  long long far = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    long long s1 = a[i].first, s2 = a[i].second, p1 = b[i].first, p2 = b[i].second;
    if (s1 > s2) std::swap(s1, s2);
    if (p1 > p2) std::swap(p1, p2);
    if (s1 == missing || s2 == missing || p1 == missing || p2 == missing) continue;
    const long long d1 = std::min(std::llabs(s1 - p1), std::llabs(s1 - p2));
    const long long d2 = std::min(std::llabs(s2 - p1), std::llabs(s2 - p2));
    near += std::min(d1, d2);
    far += std::max(d1, d2);
  }
  return {near, far};
}

TEST(D1, AgreesWithItsDefinitionOnRandomGenotypes) {
  MissingCode code(-99);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> lociCount(0, 5);
  std::uniform_int_distribution<int> allele(0, 12);  // 0 stands for the missing code
  auto draw = [&]() {
    const int a = allele(rng);
    return a == 0 ? -99 : 100 + 2 * a;
  };
  for (int n = 0; n < 20000; ++n) {
    const int count = lociCount(rng);
    Loci a;
    Loci b;
    for (int i = 0; i < count; ++i) {
      a.push_back({draw(), draw()});
      b.push_back({draw(), draw()});
    }
    const auto [near, far] = referenceDistance(a, b, -99);
    const Par d = distance(a, b);
    ASSERT_EQ(d.allele1, near) << "case " << n;
    ASSERT_EQ(d.allele2, far) << "case " << n;

    // The properties the sphere tests lean on.
    ASSERT_LE(0, d.allele1);
    ASSERT_LE(d.allele1, d.allele2);
    bool sharesEverywhere = true;
    bool containsBothEverywhere = true;
    for (int i = 0; i < count; ++i) {
      const auto [s1, s2] = a[static_cast<size_t>(i)];
      const auto [p1, p2] = b[static_cast<size_t>(i)];
      if (s1 == -99 || s2 == -99 || p1 == -99 || p2 == -99) continue;
      // Copies: C++17 lambdas cannot capture structured bindings.
      auto in = [p1 = p1, p2 = p2](int s) { return s == p1 || s == p2; };
      sharesEverywhere = sharesEverywhere && (in(s1) || in(s2));
      containsBothEverywhere = containsBothEverywhere && in(s1) && in(s2);
    }
    ASSERT_EQ(d.allele1 == 0, sharesEverywhere) << "case " << n;
    ASSERT_EQ(d.allele2 == 0, containsBothEverywhere) << "case " << n;
  }
}

class D1Dimension : public ::testing::Test {
 protected:
  MissingCode code{-99};
  ScopedWorkdir dir;

  // Runs D1 on points of `aLoci` and `bLoci` loci; returns the failure text.
  std::string fail(size_t aLoci, size_t bLoci) {
    const Punto a{std::vector<Par>(aLoci)};
    const Punto b{std::vector<Par>(bLoci)};
    try {
      Espacio::D1(a, b);
    } catch (const RunFailure& failure) {
      EXPECT_EQ(failure.status(), 1);
      return failure.what();
    }
    return "<no failure>";
  }
};

TEST_F(D1Dimension, DifferentLengthsWriteErrLogAndFail) {
  const std::pair<size_t, size_t> shapes[] = {{2, 3}, {3, 2}, {0, 1}, {1, 0}};
  for (const auto& [aLoci, bLoci] : shapes) {
    SCOPED_TRACE(std::to_string(aLoci) + " against " + std::to_string(bLoci) + " loci");
    writeFile("ErrLog.txt", "an older and much longer log that must be replaced\n");
    // Nothing is shown on standard output: the message is only in the log.
    EXPECT_EQ(fail(aLoci, bLoci), "");
    EXPECT_EQ(readFile("ErrLog.txt"), "Wrong space dimension\n\n");
  }
}

TEST_F(D1Dimension, FailsEvenWhenTheLogCannotBeWritten) {
  ASSERT_TRUE(std::filesystem::create_directory("ErrLog.txt"));
  EXPECT_EQ(fail(1, 2), "");
  EXPECT_TRUE(std::filesystem::is_directory("ErrLog.txt"));
}

TEST_F(D1Dimension, EqualLengthsWriteNoLog) {
  EXPECT_EQ(fail(3, 3), "<no failure>");
  EXPECT_FALSE(std::filesystem::exists("ErrLog.txt"));
}

}  // namespace
