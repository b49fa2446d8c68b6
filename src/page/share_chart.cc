#include "page/share_chart.h"

#include <algorithm>
#include <cmath>

#include "util/decimal_text.h"
#include "util/escaped_text.h"

namespace {

constexpr double kWidth = 900;
constexpr double kLeft = 90;           // at least; longer row names get more
constexpr double kNameCharWidth = 7;   // average width of a row-name character
constexpr double kRight = 20;
constexpr double kTop = 40;
constexpr double kRowHeight = 34;
constexpr double kRowGap = 14;
constexpr double kAxisRoom = 44;
constexpr double kMinLabelWidth = 44;  // narrower parts carry no percentage

std::string box(double x, double y, double w, double h, const std::string& fill) {
  return "<rect x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(y) + "\" width=\"" + svgNumber(w) +
         "\" height=\"" + svgNumber(h) + "\" fill=\"" + fill +
         "\" stroke=\"#222222\" stroke-width=\"0.8\"/>";
}

std::string label(double x, double y, const std::string& anchor, const std::string& content,
                  const std::string& extra = "") {
  return "<text x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(y) + "\" text-anchor=\"" + anchor +
         "\"" + extra + ">" + escapeHtml(content) + "</text>";
}

}  // namespace

std::string shareChartSvg(const ShareChart& chart) {
  size_t longest = 0;
  for (const ShareRow& row : chart.rows) longest = std::max(longest, row.name.size());
  const double left = std::max(kLeft, 16 + kNameCharWidth * static_cast<double>(longest));
  const double plotW = kWidth - left - kRight;
  const double height =
      kTop + static_cast<double>(chart.rows.size()) * (kRowHeight + kRowGap) + kAxisRoom;
  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" id=\"" + chart.id +
                    "\" viewBox=\"0 0 " + svgNumber(kWidth) + " " + svgNumber(height) +
                    "\" role=\"img\"><title>" + escapeHtml(chart.description) + "</title>";
  out += svgPatterns(chart.id);
  double y = kTop;
  for (const ShareRow& row : chart.rows) {
    double total = 0;
    for (double c : row.counts) total += c;
    out += label(left - 8, y + kRowHeight / 2 + 4, "end", row.name);
    if (!(total > 0)) {
      out += box(left, y, plotW, kRowHeight, "#ffffff");
      out += label(left + plotW / 2, y + kRowHeight / 2 + 4, "middle", "none");
    }
    double x = left;
    for (size_t p = 0; total > 0 && p < row.counts.size() && p < chart.fills.size(); ++p) {
      const double w = plotW * row.counts[p] / total;
      if (!(w > 0)) continue;
      out += box(x, y, w, kRowHeight, fillValue(chart.fills[p], chart.id));
      if (w >= kMinLabelWidth) {
        // A white plate keeps the figure legible on any fill.
        const std::string share = decimalText(100 * row.counts[p] / total, 1) + "%";
        out += "<rect x=\"" + svgNumber(x + w / 2 - 21) + "\" y=\"" +
               svgNumber(y + kRowHeight / 2 - 9) +
               "\" width=\"42\" height=\"16\" rx=\"3\" fill=\"#ffffff\" opacity=\"0.9\"/>";
        out += label(x + w / 2, y + kRowHeight / 2 + 4, "middle", share);
      }
      x += w;
    }
    y += kRowHeight + kRowGap;
  }
  for (int t = 0; t <= 4; ++t) {
    const double x = left + plotW * t / 4;
    out += label(x, y + 8, "middle", std::to_string(t * 25) + "%");
  }
  out += label(left + plotW / 2, y + 30, "middle", "share of offspring (%)", " class=\"axis\"");
  std::vector<LegendEntry> legend;
  for (size_t p = 0; p < chart.parts.size() && p < chart.fills.size(); ++p) {
    legend.push_back({chart.parts[p], chart.fills[p]});
  }
  out += svgLegend(legend, left, 10, chart.id);
  return out + "</svg>";
}
