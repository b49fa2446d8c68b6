// The summary page's structure, read back by an XML parser, and the
// histogram bins its charts draw.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "markers/histogram.h"
#include "markers/summary_page.h"
#include "run_fixture.h"
#include "test_support.h"

namespace {

// Parses page.html with python3's XML parser and prints what the test checks:
// the chart ids, whether the no-table note is there, anything scripted or
// fetched, and the settings table's text.
constexpr const char* kProbe = R"(
import sys, xml.etree.ElementTree as E
root = E.parse('page.html').getroot()
local = lambda e: e.tag.split('}')[-1]
print('charts', ' '.join(e.get('id') for e in root.iter() if local(e) == 'svg'))
print('note', any(e.get('id') == 'no-ranked-table' for e in root.iter()))
print('outside', sum(1 for e in root.iter() if local(e) in ('script', 'link', 'img', 'iframe')
      or any(k.split('}')[-1] in ('href', 'src') for k in e.attrib)))
settings = next(e for e in root.iter() if e.get('id') == 'settings')
print('settings', '|'.join(''.join(e.itertext()) for e in settings.iter() if local(e) == 'td'))
)";

std::string probe(const std::string& page) {
  ScopedWorkdir dir;
  writeFile("page.html", page);
  writeFile("probe.py", kProbe);
  FILE* pipe = popen("python3 probe.py 2>&1", "r");
  if (pipe == nullptr) return "";
  std::string text;
  char buffer[4096];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  const int raw = pclose(pipe);
  return WIFEXITED(raw) && WEXITSTATUS(raw) == 0 ? text : "python3 failed: " + text;
}

SummaryInput sampleInput(bool rankedTable) {
  SummaryInput in;
  in.settings = {{"parents", "a<b>&\"c'.PAR"}, {"radius", "4"}};
  in.motherCount = 3;
  in.fatherCount = 2;
  MarkerRow locus;
  locus.alleles = 2;
  locus.typed = 10;
  locus.ho = 0.3;
  locus.he = 0.5;
  locus.excl1p = 0.125;
  locus.fNull = 0.15;  // flagged
  if (rankedTable) locus.mismatchRate = 0.1;
  in.loci = {locus, MarkerRow{}};
  in.combined = combinedStatistics(in.loci);
  in.radii = {{4, {{1, 2, 2}, {0, 0, 0}, {3, 1, 0}}}, {6, {{3, 3, 4}, {1, 0, 0}, {3, 2, 1}}}};
  in.rankedTable = rankedTable;
  in.minDelta = 2;
  if (rankedTable) in.calls = {{4.5, Call::Strict, 1.0, Call::Ambiguous}, {}, {0.2, Call::Unlikely, {}, {}}};
  return in;
}

TEST(SummaryPage, ParsesAsXmlWithEveryChartAndNothingFetched) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  const struct {
    bool rankedTable;
    const char* expected;
  } cases[] = {
      {true,
       "charts exclusion mismatch candidates-4 families-4 candidates-6 families-6 deltas calls\nnote False\noutside 0\n"
       "settings a<b>&\"c'.PAR|4\n"},
      {false, "charts exclusion candidates-4 families-4 candidates-6 families-6\nnote True\noutside 0\nsettings a<b>&\"c'.PAR|4\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rankedTable ? "with a ranked table" : "without a ranked table");
    EXPECT_EQ(c.expected, probe(summaryPage(sampleInput(c.rankedTable))));
  }
}

TEST(SummaryPage, FlaggedLocusCarriesItsReason) {
  const std::string page = summaryPage(sampleInput(true));
  EXPECT_NE(std::string::npos, page.find("Locus 1 (0.1500): f_null above 0.05. Fewer"));
  EXPECT_NE(std::string::npos, page.find("Locus 1 (0.1000): mismatch_rate above 0.05. That"));
  EXPECT_NE(std::string::npos, page.find("(locus 2): such a locus excludes no one"));
}

TEST(Histogram, RoundBinWidths) {
  const struct {
    const char* name;
    Histogram h;
    double width;
    std::vector<std::string> firstLabels;
    std::vector<double> firstCounts;
  } cases[] = {
      {"small counts: one bin per value", countHistogram({{0, 1, 1, 5}}, 20), 1,
       {"0", "1", "2", "3", "4", "5"}, {1, 2, 0, 0, 0, 1}},
      {"wide counts: zero alone, then bins of five", countHistogram({{0, 4, 5, 45}}, 20), 5,
       {"0", "1-5", "6-10"}, {1, 2, 0}},
      {"an outlier goes to the last bin", countHistogram({std::vector<double>(200, 1.0), {1000}}, 20),
       1, {"0", "1", "2+"}, {0, 200, 0}},
      {"deltas reach the threshold", valueHistogram({{0.3, 2.5, 7.9}}, 24, 2), 0.5,
       {"0.0-0.5", "0.5-1.0"}, {1, 0}},
      {"threshold beyond the data", valueHistogram({{0.1}}, 24, 10), 0.5, {"0.0-0.5"}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(c.width, c.h.width);
    ASSERT_GE(c.h.labels.size(), c.firstLabels.size());
    EXPECT_EQ(c.firstLabels, std::vector<std::string>(c.h.labels.begin(),
                                                      c.h.labels.begin() + static_cast<long>(c.firstLabels.size())));
    EXPECT_EQ(c.firstCounts, std::vector<double>(c.h.counts[0].begin(),
                                                 c.h.counts[0].begin() + static_cast<long>(c.firstCounts.size())));
  }
}

}  // namespace
