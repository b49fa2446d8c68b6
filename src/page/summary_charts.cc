#include "page/summary_charts.h"

#include <algorithm>

#include "page/bar_chart.h"
#include "util/decimal_text.h"
#include "page/histogram.h"
#include "markers/marker_notes.h"
#include "markers/marker_table.h"
#include "page/share_chart.h"

namespace {

constexpr size_t kCountBins = 20;
constexpr size_t kDeltaBins = 24;
// A call's fill: the surer, the darker.
Fill callFill(const std::string& word) {
  if (word == "strict" || word == "confident") return Fill::Dark;
  if (word == "relaxed" || word == "known") return Fill::Hatched;
  if (word == "ambiguous") return Fill::Dotted;
  return Fill::Grey;
}

BarChart locusChart(const SummaryInput& in) {
  BarChart chart;
  chart.xLabel = "locus (numbered in column order; * flagged)";
  for (size_t l = 0; l < in.loci.size(); ++l) {
    const bool flagged = isFlagged(in.loci[l]);
    chart.categories.push_back(std::to_string(l + 1) + (flagged ? "*" : ""));
    chart.highlighted.push_back(flagged);
  }
  return chart;
}

// A histogram drawn as a bar chart, one series per name.
BarChart histogramChart(const Histogram& h, const std::vector<std::string>& names,
                        const std::vector<Fill>& fills) {
  BarChart chart;
  chart.categories = h.labels;
  for (size_t s = 0; s < h.counts.size(); ++s) {
    BarSeries series{names[s], fills[s], {}};
    for (double c : h.counts[s]) series.values.push_back(c);
    chart.series.push_back(series);
  }
  chart.yLabel = "offspring (count)";
  chart.countLabels = true;
  return chart;
}

}  // namespace

std::string exclusionChart(const SummaryInput& in) {
  BarChart chart = locusChart(in);
  chart.id = "exclusion";
  chart.description = "Exclusion probability per locus";
  chart.yLabel = "exclusion probability";
  chart.yMax = 1;
  chart.yDecimals = 1;
  BarSeries first{"excl_1p (first parent)", Fill::Dark, {}};
  BarSeries second{"excl_2p (second parent, other known)", Fill::Hatched, {}};
  BarSeries pair{"excl_pp (parent pair)", Fill::Dotted, {}};
  for (const MarkerRow& locus : in.loci) {
    first.values.push_back(locus.excl1p);
    second.values.push_back(locus.excl2p);
    pair.values.push_back(locus.exclpp);
  }
  chart.series = {first, second, pair};
  return barChartSvg(chart);
}

std::string mismatchChart(const SummaryInput& in) {
  BarChart chart = locusChart(in);
  chart.id = "mismatch";
  chart.description = "Mismatch rate of strict mothers per locus";
  chart.yLabel = "mismatch rate (share of pairs)";
  chart.yDecimals = 3;
  chart.emptyText = "No mother called strict mismatches at any locus (every "
                    "rate is 0 or not measured).";
  BarSeries rate{"mismatch_rate (strict mothers sharing no allele)", Fill::Dark, {}};
  for (const MarkerRow& locus : in.loci) rate.values.push_back(locus.mismatchRate);
  chart.series = {rate};
  return barChartSvg(chart);
}

std::string candidatesChart(const RadiusCounts& run) {
  std::vector<double> mothers, fathers;
  for (const OffspringCounts& o : run.offspring) {
    mothers.push_back(static_cast<double>(o.mothers));
    fathers.push_back(static_cast<double>(o.fathers));
  }
  BarChart chart = histogramChart(countHistogram({mothers, fathers}, kCountBins),
                                  {"candidate mothers", "candidate fathers"},
                                  {Fill::Dark, Fill::Hatched});
  chart.id = "candidates-" + std::to_string(run.radius);
  chart.description = "Candidates within radius " + std::to_string(run.radius) + " per offspring";
  chart.xLabel = "candidates within radius " + std::to_string(run.radius) +
                 " per offspring (as in Parent.out)";
  return barChartSvg(chart);
}

std::string familiesChart(const RadiusCounts& run) {
  std::vector<double> families;
  for (const OffspringCounts& o : run.offspring) families.push_back(static_cast<double>(o.families));
  BarChart chart = histogramChart(countHistogram({families}, kCountBins),
                                  {"offspring with that many families"}, {Fill::Dark});
  chart.id = "families-" + std::to_string(run.radius);
  chart.description = "Families per offspring at radius " + std::to_string(run.radius);
  chart.xLabel = "families per offspring at radius " + std::to_string(run.radius) +
                 " (lines in Fam.out)";
  return barChartSvg(chart);
}

std::string deltaChart(const SummaryInput& in) {
  std::vector<double> mothers, pairs;
  for (const OffspringCalls& c : in.calls) {
    if (c.motherDelta) mothers.push_back(*c.motherDelta);
    if (c.pairDelta) pairs.push_back(*c.pairDelta);
  }
  const Histogram h = valueHistogram({mothers, pairs}, kDeltaBins, in.minDelta);
  BarChart chart = histogramChart(h, {"mother_delta", "pair_delta"}, {Fill::Dark, Fill::Hatched});
  chart.id = "deltas";
  chart.description = "Distribution of mother and pair LOD deltas";
  chart.xLabel = "LOD delta (natural log units): best candidate minus runner-up";
  chart.markerAt = (in.minDelta - h.start) / h.width;
  chart.markerLabel = "--min-delta " + shortDecimalText(in.minDelta, kFigureDecimals) + ": strict and relaxed calls need at least this";
  return barChartSvg(chart);
}

std::string callsChart(const CallTallies& tallies) {
  ShareChart chart;
  chart.id = "calls";
  chart.description = "Shares of each call per role, as the ranked table has them";
  for (const std::string& word : tallies.words) {
    chart.parts.push_back(word);
    chart.fills.push_back(callFill(word));
  }
  chart.parts.push_back("no candidate");
  chart.fills.push_back(Fill::Blank);
  for (const CallTally& role : tallies.roles) {
    ShareRow row{role.role, {}};
    for (size_t count : role.counts) row.counts.push_back(static_cast<double>(count));
    row.counts.push_back(static_cast<double>(role.noCandidate));
    chart.rows.push_back(row);
  }
  return shareChartSvg(chart);
}

std::string calibrationChart(const RoleCalibrationView& role) {
  BarChart chart;
  std::string name = role.role;
  std::replace(name.begin(), name.end(), ' ', '-');
  chart.id = "calibration-" + name;
  chart.description = "Calibration of the " + role.role + " calls by simulation";
  chart.xLabel = "calls with a delta of at least (" + role.role + ")";
  chart.yLabel = "share";
  chart.yMax = 1;
  chart.yDecimals = 1;
  BarSeries precision{"realised precision (share right)", Fill::Dark, {}};
  BarSeries share{"share of offspring assigned", Fill::Hatched, {}};
  for (const CalibrationPoint& point : role.curve) {
    chart.categories.push_back(shortDecimalText(point.threshold, 1));
    precision.values.push_back(point.called > 0 ? std::optional<double>(point.precision)
                                                : std::nullopt);
    share.values.push_back(point.share);
  }
  chart.series = {precision, share};
  if (role.strict && !role.curve.empty()) {
    // The curve's thresholds are one apart from its first.
    chart.markerAt = role.strict->threshold - role.curve.front().threshold + 0.5;
    chart.markerLabel = "strict from delta " + shortDecimalText(role.strict->threshold, 2);
    if (role.strictPosterior) {
      chart.markerLabel += " with a posterior of at least " +
                           shortDecimalText(role.strictPosterior->threshold, 3);
    }
  }
  return barChartSvg(chart);
}
