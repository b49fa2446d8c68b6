#include "page/bar_chart.h"

#include <algorithm>
#include <cmath>

#include "util/decimal_text.h"
#include "util/escaped_text.h"

namespace {

constexpr double kWidth = 900;
constexpr double kHeight = 320;
constexpr double kLeft = 70;
constexpr double kRight = 20;
constexpr double kTop = 36;
constexpr double kBottomFlat = 50;    // room for upright category labels and the axis title
constexpr double kBottomTurned = 78;  // for labels turned by 45 degrees
constexpr int kTicks = 5;
constexpr double kSlotFill = 0.8;        // share of a slot the bars take
constexpr double kLabelCharWidth = 6.5;  // average width of a tick-label character
constexpr double kMaxBarWidth = 60;      // few categories still get slim bars
constexpr double kMinLabelledBar = 14;   // narrower bars carry no count

std::string attr(const char* name, double value) {
  return std::string(" ") + name + "=\"" + svgNumber(value) + "\"";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
  return "<line" + attr("x1", x1) + attr("y1", y1) + attr("x2", x2) + attr("y2", y2) + " " +
         style + "/>";
}

std::string text(double x, double y, const std::string& anchor, const std::string& content,
                 const std::string& extra = "") {
  return "<text" + attr("x", x) + attr("y", y) + " text-anchor=\"" + anchor + "\"" + extra + ">" +
         escapeHtml(content) + "</text>";
}

double dataMax(const BarChart& chart) {
  double most = 0;
  for (const BarSeries& s : chart.series) {
    for (const std::optional<double>& v : s.values) {
      if (v && std::isfinite(*v)) most = std::max(most, *v);
    }
  }
  return most;
}

// What a chart with nothing above zero shows instead of an empty axis.
std::string wordsOnly(const BarChart& chart) {
  constexpr double kWordsHeight = 60;
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" id=\"" + chart.id +
         "\" viewBox=\"0 0 " + svgNumber(kWidth) + " " + svgNumber(kWordsHeight) +
         "\" role=\"img\"><title>" + escapeHtml(chart.description) + "</title>" +
         "<rect x=\"1\" y=\"1\" width=\"" + svgNumber(kWidth - 2) + "\" height=\"" +
         svgNumber(kWordsHeight - 2) + "\" fill=\"#ffffff\" stroke=\"#bbbbbb\"/>" +
         text(kWidth / 2, kWordsHeight / 2 + 5, "middle", chart.emptyText, " class=\"empty\"") +
         "</svg>";
}

}  // namespace

double roundUp(double value) {
  if (!(value > 0) || !std::isfinite(value)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (step * power >= value * (1 - 1e-12)) return step * power;
  }
  return 10 * power;
}

std::string barChartSvg(const BarChart& chart) {
  if (!(dataMax(chart) > 0)) return wordsOnly(chart);
  const double plotW = kWidth - kLeft - kRight;
  const double yMax = chart.yMax > 0 ? chart.yMax : roundUp(dataMax(chart));
  const size_t slots = std::max<size_t>(chart.categories.size(), 1);
  const double slot = plotW / static_cast<double>(slots);
  size_t longest = 0;
  for (const std::string& name : chart.categories) longest = std::max(longest, name.size());
  const bool turn = kLabelCharWidth * static_cast<double>(longest) > slot;
  const double plotH = kHeight - kTop - (turn ? kBottomTurned : kBottomFlat);
  const double bottom = kTop + plotH;
  auto yOf = [&](double v) { return bottom - plotH * std::clamp(v / yMax, 0.0, 1.0); };

  std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" id=\"" + chart.id +
                    "\" viewBox=\"0 0 " + svgNumber(kWidth) + " " + svgNumber(kHeight) +
                    "\" role=\"img\"><title>" + escapeHtml(chart.description) + "</title>";
  out += svgPatterns(chart.id);
  for (size_t c = 0; c < chart.highlighted.size() && c < slots; ++c) {
    if (!chart.highlighted[c]) continue;
    out += "<rect" + attr("x", kLeft + slot * static_cast<double>(c)) + attr("y", kTop) +
           attr("width", slot) + attr("height", plotH) + " fill=\"" + highlightFill(chart.id) +
           "\"/>";
  }
  for (int t = 0; t <= kTicks; ++t) {
    const double v = yMax * t / kTicks;
    out += line(kLeft, yOf(v), kLeft + plotW, yOf(v), "stroke=\"#d0d0d0\"");
    out += text(kLeft - 6, yOf(v) + 4, "end", decimalText(v, chart.yDecimals));
  }
  const double seriesCount = static_cast<double>(std::max<size_t>(chart.series.size(), 1));
  const double barW = std::min(slot * kSlotFill / seriesCount, kMaxBarWidth);
  const double groupStart = (slot - barW * seriesCount) / 2;  // centres the bars in the slot
  for (size_t s = 0; s < chart.series.size(); ++s) {
    const BarSeries& series = chart.series[s];
    for (size_t c = 0; c < series.values.size() && c < slots; ++c) {
      if (!series.values[c] || !std::isfinite(*series.values[c])) continue;
      const double x =
          kLeft + slot * static_cast<double>(c) + groupStart + barW * static_cast<double>(s);
      const double y = yOf(*series.values[c]);
      out += "<rect" + attr("x", x) + attr("y", y) + attr("width", barW) +
             attr("height", bottom - y) + " fill=\"" + fillValue(series.fill, chart.id) +
             "\" stroke=\"#222222\" stroke-width=\"0.6\"/>";
      if (chart.countLabels && barW >= kMinLabelledBar && *series.values[c] > 0) {
        out += text(x + barW / 2, y - 3, "middle", decimalText(*series.values[c], 0),
                    " class=\"count\"");
      }
    }
  }
  for (size_t c = 0; c < chart.categories.size(); ++c) {
    const double x = kLeft + slot * (static_cast<double>(c) + 0.5);
    const bool bold = c < chart.highlighted.size() && chart.highlighted[c];
    const std::string weight = bold ? " font-weight=\"bold\"" : "";
    if (turn) {
      out += text(x, bottom + 14, "end", chart.categories[c],
                  weight + " transform=\"rotate(-45 " + svgNumber(x) + " " +
                      svgNumber(bottom + 14) + ")\"");
    } else {
      out += text(x, bottom + 16, "middle", chart.categories[c], weight);
    }
  }
  out += line(kLeft, kTop, kLeft, bottom, "stroke=\"#222222\"");
  out += line(kLeft, bottom, kLeft + plotW, bottom, "stroke=\"#222222\"");
  if (chart.markerAt) {
    const double x = kLeft + slot * std::clamp(*chart.markerAt, 0.0, static_cast<double>(slots));
    out += line(x, kTop - 4, x, bottom, "stroke=\"#b00020\" stroke-width=\"2\" stroke-dasharray=\"6 4\"");
    out += text(x + 4, kTop + 10, "start", chart.markerLabel, " class=\"marker\"");
  }
  out += text(kLeft + plotW / 2, kHeight - 8, "middle", chart.xLabel, " class=\"axis\"");
  out += text(16, kTop + plotH / 2, "middle", chart.yLabel,
              " class=\"axis\" transform=\"rotate(-90 16 " + svgNumber(kTop + plotH / 2) + ")\"");
  std::vector<LegendEntry> legend;
  for (const BarSeries& s : chart.series) legend.push_back({s.name, s.fill});
  out += svgLegend(legend, kLeft, 8, chart.id);
  return out + "</svg>";
}
