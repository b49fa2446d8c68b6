#pragma once
#include <optional>
#include <string>
#include <vector>

#include "page/svg_style.h"

struct BarSeries {
  std::string name;  // legend text
  Fill fill;
  std::vector<std::optional<double>> values;  // one per category; empty: no bar
};

// A vertical bar chart: one slot per category along x, one bar per series in
// each slot, a linear y axis from 0. Text is plain and escaped when drawn.
struct BarChart {
  std::string id;  // unique on the page; names the chart's patterns
  std::string description;  // the SVG's <title>
  std::string xLabel;
  std::string yLabel;
  std::vector<std::string> categories;
  std::vector<bool> highlighted;  // per category (may be empty): band and bold label
  std::vector<BarSeries> series;
  double yMax = 0;  // 0: from the data, rounded up to a round number
  int yDecimals = 0;  // of the tick labels
  bool countLabels = false;  // whole-number counts written above the bars that are not zero
  std::optional<double> markerAt;  // a vertical line, in slots from the left edge
  std::string markerLabel;
  // Said in words instead of drawing an empty axis when no value is above 0.
  std::string emptyText = "Every value is 0 or missing: nothing to draw.";
};

// The chart as one inline <svg> element, with axes, ticks, axis titles, a
// legend and a <title>. Series values below zero are drawn as zero. When no
// value is above zero the <svg> holds only emptyText.
std::string barChartSvg(const BarChart& chart);

// The smallest of 1, 2, 2.5, 5 times a power of ten at least `value` (1 for
// values not above zero).
double roundUp(double value);
