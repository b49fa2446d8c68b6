#include "page/svg_style.h"

#include "util/decimal_text.h"
#include "util/escaped_text.h"

namespace {

constexpr const char* kDark = "#1f3b73";       // dark blue, about 25% lightness
constexpr const char* kMid = "#e08a2c";        // orange, about 65%
constexpr const char* kMidLines = "#6b3a00";
constexpr const char* kLight = "#f6e3b4";      // pale sand, about 90%
constexpr const char* kLightDots = "#5a4a20";
constexpr const char* kGrey = "#a3a8ad";       // neutral grey, about 65%
constexpr const char* kOutline = "#222222";
constexpr const char* kBand = "#fbe3e0";
constexpr const char* kBandLines = "#e8b4ad";
constexpr double kSwatch = 12;
constexpr double kCharWidth = 7;   // average width of a legend character
constexpr double kEntryGap = 28;

}  // namespace

std::string svgNumber(double value) { return decimalText(value, 2); }

std::string fillValue(Fill fill, const std::string& chartId) {
  switch (fill) {
    case Fill::Dark: return kDark;
    case Fill::Hatched: return "url(#" + chartId + "-hatch)";
    case Fill::Dotted: return "url(#" + chartId + "-dots)";
    case Fill::Grey: return kGrey;
    case Fill::Blank: break;
  }
  return "#ffffff";
}

std::string highlightFill(const std::string& chartId) { return "url(#" + chartId + "-band)"; }

std::string svgPatterns(const std::string& chartId) {
  const std::string open = "<pattern patternUnits=\"userSpaceOnUse\" width=\"6\" height=\"6\" ";
  return "<defs>" + open + "id=\"" + chartId + "-hatch\" patternTransform=\"rotate(45)\">" +
         "<rect width=\"6\" height=\"6\" fill=\"" + kMid + "\"/>" +
         "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"" + kMidLines +
         "\" stroke-width=\"2\"/></pattern>" + open + "id=\"" + chartId + "-dots\">" +
         "<rect width=\"6\" height=\"6\" fill=\"" + kLight + "\"/>" +
         "<circle cx=\"3\" cy=\"3\" r=\"1\" fill=\"" + kLightDots + "\"/></pattern>" + open +
         "id=\"" + chartId + "-band\" patternTransform=\"rotate(-45)\">" +
         "<rect width=\"6\" height=\"6\" fill=\"" + kBand + "\"/>" +
         "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"" + kBandLines +
         "\" stroke-width=\"1\"/></pattern></defs>";
}

std::string svgLegend(const std::vector<LegendEntry>& entries, double x, double y,
                      const std::string& chartId) {
  std::string out = "<g class=\"legend\">";
  for (const LegendEntry& entry : entries) {
    out += "<rect x=\"" + svgNumber(x) + "\" y=\"" + svgNumber(y) + "\" width=\"" +
           svgNumber(kSwatch) + "\" height=\"" + svgNumber(kSwatch) + "\" fill=\"" +
           fillValue(entry.fill, chartId) + "\" stroke=\"" + kOutline + "\"/>";
    out += "<text x=\"" + svgNumber(x + kSwatch + 4) + "\" y=\"" + svgNumber(y + kSwatch - 2) +
           "\">" + escapeHtml(entry.name) + "</text>";
    x += kSwatch + 4 + kCharWidth * static_cast<double>(entry.name.size()) + kEntryGap;
  }
  return out + "</g>";
}
