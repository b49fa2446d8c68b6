#pragma once
#include <string>
#include <vector>

#include "page/svg_style.h"

struct ShareRow {
  std::string name;           // the row's label, plain text
  std::vector<double> counts;  // one per part, in the chart's part order
};

// Horizontal bars of 100%, one per row, cut into parts by share of the row's
// total; each part wide enough carries its percentage.
struct ShareChart {
  std::string id;
  std::string description;
  std::vector<std::string> parts;  // legend names
  std::vector<Fill> fills;         // one per part
  std::vector<ShareRow> rows;
};

// The chart as one inline <svg> element. A row with no count draws an empty
// outline marked "none".
std::string shareChartSvg(const ShareChart& chart);
