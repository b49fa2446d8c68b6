// The summary page's structure, read back by an XML parser, and the
// histogram bins its charts draw.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "calibration/sim_random.h"
#include "page/histogram.h"
#include "page/summary_page.h"
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
  if (rankedTable) {
    in.calls = {{4.5, Call::Strict, Call::Ambiguous, 1.0, Call::Ambiguous, false},
                {},
                {0.2, Call::Unlikely, std::nullopt, {}, std::nullopt, false}};
  }
  return in;
}

TEST(SummaryPage, ParsesAsXmlWithEveryChartAndNothingFetched) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  const struct {
    bool rankedTable;
    const char* expected;
  } cases[] = {
      {true,
       "charts calls exclusion mismatch candidates-4 families-4 candidates-6 families-6 deltas\nnote False\noutside 0\n"
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

// One offspring with thousands of families among a few dozen with a handful
// gets its own last bin; the others keep bins of one.
TEST(Histogram, LoneOutlierOfASmallSampleGetsTheLastBin) {
  std::vector<double> families;
  for (int i = 0; i < 58; ++i) families.push_back(1 + i % 10);
  families.push_back(9245);
  const Histogram h = countHistogram({families}, 20);
  ASSERT_EQ(12u, h.labels.size());
  EXPECT_EQ("1", h.labels[1]);
  EXPECT_EQ("11+", h.labels.back());
  EXPECT_EQ(1, h.counts[0].back());
  EXPECT_EQ(6, h.counts[0][1]);
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
      {"wide counts: zero alone, then bins of five", countHistogram({{0, 4, 5, 44, 45}}, 20), 5,
       {"0", "1 to 5", "6 to 10"}, {1, 2, 0}},
      {"an outlier goes to the last bin", countHistogram({std::vector<double>(200, 1.0), {1000}}, 20),
       1, {"0", "1", "2+"}, {0, 200, 0}},
      {"negative deltas", valueHistogram({{-13.5, 3.0}}, 24, 2), 1,
       {"-14 to -13", "-13 to -12"}, {1, 0}},
      {"deltas reach the threshold", valueHistogram({{0.3, 2.5, 7.9}}, 24, 2), 0.5,
       {"0.0 to 0.5", "0.5 to 1.0"}, {1, 0}},
      {"threshold beyond the data", valueHistogram({{0.1}}, 24, 10), 0.5, {"0.0 to 0.5"}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(c.width, c.h.width);
    for (const std::string& label : c.h.labels) EXPECT_EQ(std::string::npos, label.find("--"));
    ASSERT_GE(c.h.labels.size(), c.firstLabels.size());
    EXPECT_EQ(c.firstLabels, std::vector<std::string>(c.h.labels.begin(),
                                                      c.h.labels.begin() + static_cast<long>(c.firstLabels.size())));
    EXPECT_EQ(c.firstCounts, std::vector<double>(c.h.counts[0].begin(),
                                                 c.h.counts[0].begin() + static_cast<long>(c.firstCounts.size())));
  }
}

// Reads the answer section's call table and the ranked table's *_call
// columns and prints "same" when every count agrees, else both tallies.
constexpr const char* kAnswerProbe = R"(
import csv, xml.etree.ElementTree as E
root = E.parse('s.html').getroot()
local = lambda e: e.tag.split('}')[-1]
table = next(e for e in root.iter() if e.get('id') == 'answer-calls')
rows = [[''.join(c.itertext()) for c in r if local(c) in ('td', 'th')] for r in table if local(r) == 'tr']
head, page = rows[0][1:], {}
for r in rows[1:]:
    page[r[0]] = {w: int(n) for w, n in zip(head, r[1:]) if int(n) > 0}
none = int(''.join(next(e for e in root.iter() if e.get('id') == 'no-candidate').itertext()))
lines = list(csv.DictReader(open('t.tsv'), delimiter='\t'))
known = any(l['mother_call'] == 'known' for l in lines)
want = {}
def add(role, call):
    want.setdefault(role, {})
    key = call or 'no candidate'
    want[role][key] = want[role].get(key, 0) + 1
    want[role]['offspring'] = want[role].get('offspring', 0) + 1
for l in lines:
    if l['mother_call'] == 'known':
        add('father given a known mother', l['father_call'])
        add('pair given a known mother', l['pair_call'])
    else:
        for role in ('mother', 'father', 'pair'): add(role, l[role + '_call'])
want = {r: c for r, c in want.items()}
got = {r: c for r, c in page.items() if c}
empty = sum(1 for l in lines if not l['mother_call'] and not l['father_call'] and not l['pair_call'])
print('same' if got == want and none == empty and known == ('father given a known mother' in page)
      else 'page %s %d\ntable %s %d' % (got, none, want, empty))
)";

// A random population with a share of offspring from no listed parent.
std::map<std::string, std::string> randomTables() {
  SimRandom random(11);
  const int mothers = 25, fathers = 25, loci = 6;
  std::vector<std::vector<int>> parents;
  std::string par, pro, known;
  for (int p = 0; p < mothers + fathers; ++p) {
    std::vector<int>& row = parents.emplace_back();
    for (int a = 0; a < 2 * loci; ++a) row.push_back(100 + 2 * static_cast<int>(random.below(5)));
    for (int a : row) par += std::to_string(a) + " ";
    par += std::to_string(p < mothers ? 1001 + p : 2001 + p) + "\n";
  }
  for (int o = 0; o < 80; ++o) {
    const size_t m = random.below(mothers);
    const size_t f = static_cast<size_t>(mothers) + random.below(fathers);
    for (int l = 0; l < loci; ++l) {
      const bool stranger = o % 5 == 0;  // drawn from nobody in the file
      const int a = stranger ? 100 + 2 * static_cast<int>(random.below(5)) : parents[m][2 * l + random.below(2)];
      const int b = o % 7 == 0 && l == 2 ? -99 : parents[f][2 * l + random.below(2)];
      pro += std::to_string(a) + " " + std::to_string(b) + " ";
    }
    pro += "\n";
    if (o % 2 == 0) known += std::to_string(o + 1) + " " + std::to_string(1001 + m) + "\n";
  }
  return {{"parents.PAR", par}, {"sons.PRO", pro}, {"known", known}};
}

// The answer on top of the page counts exactly the calls the table wrote,
// with and without known mothers.
TEST(SummaryPage, AnswerCountsTheTablesCalls) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  std::map<std::string, std::string> files = randomTables();
  files["probe.py"] = kAnswerProbe;
  const struct {
    const char* options;
    const char* known;
    std::vector<std::string> calibrated;  // the roles the calibration shows
  } runs[] = {
      {"", "none", {}},
      {" --known-mothers known", "known", {}},
      {" --calibrate 300", "none", {"mother", "father", "pair"}},
      {" --known-mothers known --calibrate 300", "known", {"father-given-a-known-mother"}},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.options);
    const RunResult run = runParentsphere(
        files, "", std::string("-q -r 2 --table t.tsv --summary s.html") + r.options, "");
    ASSERT_EQ(0, run.status) << run.stdoutText;
    const RunResult probe = runParentsphere(run.files, "", "--version",
                                            "python3 probe.py > probe.out 2>&1");
    EXPECT_EQ("same\n", probe.files.at("probe.out"));
    const std::string& page = run.files.at("s.html");
    EXPECT_LT(page.find("id=\"answer\""), page.find("id=\"markers\""));
    EXPECT_NE(std::string::npos, page.find("known mothers (--known-mothers)</th><td class=\"l\">" +
                                           std::string(r.known)));
    EXPECT_EQ(!r.calibrated.empty(), page.find("id=\"calibration\"") != std::string::npos);
    for (const std::string& role : r.calibrated) {
      EXPECT_NE(std::string::npos, page.find("id=\"calibration-" + role + "\"")) << role;
    }
  }
}

// The height in a PNG's header, 0 when `png` is not one.
uint32_t pngHeight(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return 0;
  uint32_t height = 0;
  for (size_t i = 20; i < 24; ++i) height = height << 8 | static_cast<unsigned char>(png[i]);
  return height;
}

// The screenshot script captures the whole page: a long page gives a PNG
// taller than a short one, and taller than a fixed window would.
TEST(SummaryScreenshot, HeightFollowsThePage) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) GTEST_SKIP() << "chromium is not installed";
  ScopedWorkdir dir;
  SummaryInput longer = sampleInput(true);
  longer.loci.assign(200, longer.loci[0]);
  writeFile("short.html", summaryPage(sampleInput(false)));
  writeFile("long.html", summaryPage(longer));
  const std::string script = std::string(PARENTSPHERE_SOURCE_DIR) + "/scripts/summary-screenshot.sh";
  for (const char* page : {"short", "long"}) {
    const std::string command = script + " " + page + ".html " + page + ".png >/dev/null 2>&1";
    ASSERT_EQ(0, std::system(command.c_str())) << page;
  }
  const uint32_t shortHeight = pngHeight(readFile("short.png"));
  const uint32_t longHeight = pngHeight(readFile("long.png"));
  EXPECT_GT(shortHeight, 1000u);
  // 200 more table rows are over 3,000 pixels more page.
  EXPECT_GT(longHeight, shortHeight + 3000);
}

}  // namespace
