// --max-output: its values, and runs whose reports would pass it stopping
// with the old reports kept, through the real program.
#include <cstdlib>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "files/size_guard.h"
#include "run_fixture.h"
#include "tiny_population.h"

namespace {

TEST(SizeGuard, ReadsSizesStrictly) {
  const struct {
    const char* text;
    uint64_t bytes;  // 0: refused
  } cases[] = {
      {"1", 1},        {"500", 500},   {"1K", 1024},           {"1k", 1024},
      {"500M", 500ull << 20},          {"20G", 20ull << 30},   {"2t", 2ull << 40},
      {"4194304T", 1ull << 62},        {"4194305T", 0},        {"0", 0},
      {"0G", 0},       {"", 0},        {"G", 0},               {"1.5G", 0},
      {"-1", 0},       {"+1", 0},      {"1 G", 0},             {"1GB", 0},
      {"1P", 0},       {"99999999999999999999", 0},            {"4611686018427387905", 0},
  };
  for (const auto& c : cases) {
    uint64_t bytes = 0;
    EXPECT_EQ(readSize(c.text, bytes), c.bytes != 0) << c.text;
    if (c.bytes != 0) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
  EXPECT_EQ(sizeText(1023), "1023 bytes");
  EXPECT_EQ(sizeText(1536), "1.5K");
  EXPECT_EQ(sizeText(20ull << 30), "20.0G");
}

const std::map<std::string, std::string> kOldReports = {
    {"Parent.out", "old parent report\n"},
    {"Fam.out", "old family list\n"},
    {"Famgenotypes.out", "old family genotypes\n"}};

// A population of a few thousand offspring, made once.
const std::map<std::string, std::string>& population() {
  static const std::map<std::string, std::string> files =
      popgenTables("--mothers 200 --fathers 200 --offspring 3000 --loci 12");
  return files;
}

TEST(SizeGuard, ReportsThatWouldPassTheLimitAreNotWritten) {
  ASSERT_FALSE(population().empty()) << "popgen could not make the population";
  std::map<std::string, std::string> files = population();
  files.insert(kOldReports.begin(), kOldReports.end());
  const struct {
    std::string args;
    std::string message;
  } cases[] = {
      {"-q -r 20 --max-output 16M", " of 3000 offspring), more than --max-output 16.0M; nothing was changed"},
      {"-q -r 20 --max-output 2K", "parentsphere: the reports grew past --max-output 2.0K; "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const RunResult run = runParentsphere(files, "", c.args);
    EXPECT_EQ(run.stdoutText, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.stderrText.find(c.message), std::string::npos) << run.stderrText;
    EXPECT_EQ(run.files, files);
  }
  // Within the limit the run is the run without it.
  const RunResult plain = runParentsphere(files, "", "-q -r 2");
  const RunResult limited = runParentsphere(files, "", "-q -r 2 --max-output 1G");
  EXPECT_EQ(limited.status, 0);
  EXPECT_EQ(limited.stdoutText, plain.stdoutText);
  EXPECT_EQ(limited.files, plain.files);
}

}  // namespace
