#pragma once
#include <string>
#include <vector>

// How a chart series is filled. The styles differ in lightness and pattern as
// well as hue, so they stay apart on a grey print: Dark is solid, Hatched a
// mid tone with diagonal lines, Dotted a light tone with dots, Blank white,
// Grey a plain mid grey.
enum class Fill { Dark, Hatched, Dotted, Blank, Grey };

// The SVG `fill` value of a style in the chart `chartId` (patterns are
// defined per chart by svgPatterns, so ids never clash on the page).
std::string fillValue(Fill fill, const std::string& chartId);
// The <defs> element holding the chart's patterns (also the highlight band).
std::string svgPatterns(const std::string& chartId);
// The fill of the band behind a highlighted category.
std::string highlightFill(const std::string& chartId);

struct LegendEntry {
  std::string name;  // plain text, escaped here
  Fill fill;
};
// A row of swatches and names starting at (x, y), the swatches' top edge.
std::string svgLegend(const std::vector<LegendEntry>& entries, double x, double y,
                      const std::string& chartId);

// A number as SVG coordinates want it: at most two decimals, no exponent.
std::string svgNumber(double value);
