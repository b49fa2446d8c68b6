#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Several series of numbers counted into shared bins of one round width
// (1, 2 or 5 times a power of ten), bin b holding [start + b*width,
// start + (b+1)*width). Non-finite values are left out.
struct Histogram {
  double start = 0;
  double width = 1;
  std::vector<std::string> labels;         // one per bin
  std::vector<std::vector<double>> counts;  // per series, per bin
};

// Counts of things per offspring (whole numbers from 0): bins start at 0, a
// bin of width 1 is labelled "3", a wider one "10-19". At most `maxBins`
// bins, at least one.
Histogram countHistogram(const std::vector<std::vector<double>>& series, size_t maxBins);

// Real values (such as LOD deltas): bins labelled by their edges ("2-4",
// "0.5-1.0") spanning the data and `alsoShow` (a threshold to mark), at most
// `maxBins` bins.
Histogram valueHistogram(const std::vector<std::vector<double>>& series, size_t maxBins,
                         double alsoShow);
