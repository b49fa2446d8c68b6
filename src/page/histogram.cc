#include "page/histogram.h"

#include <algorithm>
#include <cmath>

#include "util/decimal_text.h"

namespace {

// The smallest of 1, 2, 5 times a power of ten whose `maxBins` bins from
// `start` reach past `last`; `wholeNumbers` keeps it at least 1.
double binWidth(double start, double last, size_t maxBins, bool wholeNumbers) {
  const double span = std::max(last - start, 0.0);
  const double raw = span / static_cast<double>(maxBins);
  double power = raw > 0 ? std::pow(10.0, std::floor(std::log10(raw))) : 1;
  if (wholeNumbers) power = std::max(power, 1.0);
  for (;; power *= 10) {
    for (double step : {1.0, 2.0, 5.0}) {
      if (std::floor(span / (step * power)) + 1 <= static_cast<double>(maxBins)) {
        return step * power;
      }
    }
  }
}

void fill(Histogram& h, const std::vector<std::vector<double>>& series, size_t bins) {
  h.counts.assign(series.size(), std::vector<double>(bins, 0));
  for (size_t s = 0; s < series.size(); ++s) {
    for (double v : series[s]) {
      if (!std::isfinite(v)) continue;
      const double b = std::floor((v - h.start) / h.width);
      h.counts[s][static_cast<size_t>(std::clamp(b, 0.0, static_cast<double>(bins - 1)))] += 1;
    }
  }
}

double largest(const std::vector<std::vector<double>>& series, double floorValue) {
  double most = floorValue;
  for (const auto& s : series) {
    for (double v : s) {
      if (std::isfinite(v)) most = std::max(most, v);
    }
  }
  return most;
}

}  // namespace

Histogram countHistogram(const std::vector<std::vector<double>>& series, size_t maxBins) {
  constexpr double kCoveredShare = 0.99;  // counts up to this quantile get round bins
  maxBins = std::max<size_t>(maxBins, 3);
  std::vector<double> all;
  for (const auto& s : series) {
    for (double v : s) {
      if (std::isfinite(v)) all.push_back(std::max(v, 0.0));
    }
  }
  std::sort(all.begin(), all.end());
  const double last = all.empty() ? 0 : all.back();
  Histogram h;
  if (last < static_cast<double>(maxBins)) {
    for (double v = 0; v <= last; ++v) h.labels.push_back(decimalText(v, 0));
    fill(h, series, h.labels.size());
    return h;
  }
  // At least the largest count goes to the tail: in a small sample the 99th
  // percentile is the largest count itself, and one offspring with thousands
  // of families would squash every other into the first bin.
  const size_t quantile = std::min(
      static_cast<size_t>(std::ceil(kCoveredShare * static_cast<double>(all.size()))),
      all.size() - 1);
  const double cap = std::max(all[std::max<size_t>(quantile, 1) - 1], 1.0);
  h.width = binWidth(1, cap, maxBins - 2, true);
  const size_t ranges = static_cast<size_t>(std::floor((cap - 1) / h.width)) + 1;
  const double covered = static_cast<double>(ranges) * h.width;  // counts 1..covered
  h.labels.push_back("0");
  for (size_t b = 0; b < ranges; ++b) {
    const double from = 1 + h.width * static_cast<double>(b);
    h.labels.push_back(h.width == 1 ? decimalText(from, 0)
                                    : decimalText(from, 0) + " to " + decimalText(from + h.width - 1, 0));
  }
  const bool tail = last > covered;
  if (tail) h.labels.push_back(decimalText(covered + 1, 0) + "+");
  h.counts.assign(series.size(), std::vector<double>(h.labels.size(), 0));
  for (size_t s = 0; s < series.size(); ++s) {
    for (double v : series[s]) {
      if (!std::isfinite(v)) continue;
      size_t bin = h.labels.size() - 1;  // the tail
      if (v < 1) {
        bin = 0;
      } else if (v <= covered) {
        bin = 1 + static_cast<size_t>(std::floor((v - 1) / h.width));
      }
      h.counts[s][bin] += 1;
    }
  }
  return h;
}

Histogram valueHistogram(const std::vector<std::vector<double>>& series, size_t maxBins,
                         double alsoShow) {
  Histogram h;
  double low = std::min(alsoShow, 0.0);
  for (const auto& s : series) {
    for (double v : s) {
      if (std::isfinite(v)) low = std::min(low, v);
    }
  }
  const double high = largest(series, alsoShow);
  // One bin more than the span needs, so a value on the last edge has room.
  h.width = binWidth(low, high, std::max<size_t>(maxBins, 2) - 1, false);
  h.start = std::floor(low / h.width) * h.width;
  const size_t bins = static_cast<size_t>(std::floor((high - h.start) / h.width)) + 1;
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(h.width) + 1e-9)));
  for (size_t b = 0; b < bins; ++b) {
    const double from = h.start + h.width * static_cast<double>(b);
    h.labels.push_back(decimalText(from, decimals) + " to " + decimalText(from + h.width, decimals));
  }
  fill(h, series, bins);
  return h;
}
