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

// Counts of things per offspring (whole numbers from 0), at most `maxBins`
// bins (at least 3). When every count fits, one bin per count ("3").
// Otherwise 0 keeps its own bin, round-width bins ("1 to 5", "6 to 10") reach
// the 99th percentile (short of the largest count), and a last bin ("51+")
// gathers the rare counts beyond, so one outlier does not squash the rest
// into the first bin.
Histogram countHistogram(const std::vector<std::vector<double>>& series, size_t maxBins);

// Real values (such as LOD deltas): bins labelled by their edges ("2 to 4",
// "-14 to -12", "0.5 to 1.0") spanning the data and `alsoShow` (a threshold to mark), at most
// `maxBins` bins.
Histogram valueHistogram(const std::vector<std::vector<double>>& series, size_t maxBins,
                         double alsoShow);
