#include "popgen/locus_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

int LocusModel::draw(Rng& rng) const {
  const uint64_t r = rng.below(cumulative.back());
  const size_t i = static_cast<size_t>(std::upper_bound(cumulative.begin(), cumulative.end(), r) -
                                       cumulative.begin());
  return sizes[i];
}

int LocusModel::misread(Rng& rng, int allele) const {
  if (kind == kSnp) return allele == 1 ? 2 : 1;  // 0 would not be a valid allele
  const bool down = rng.below(2) == 0;
  if (kind == kLadder) return allele + (down ? -step : step);
  if (sizes.size() < 2) return allele;  // a locus with one allele shows no error
  const size_t i = static_cast<size_t>(std::lower_bound(sizes.begin(), sizes.end(), allele) -
                                       sizes.begin());
  if (i == 0) return sizes[1];
  if (i + 1 >= sizes.size()) return sizes[sizes.size() - 2];
  return sizes[down ? i - 1 : i + 1];
}

LocusModel makeLocus(Rng& rng, int step) {
  LocusModel locus;
  locus.step = step;
  const int count = 10 + static_cast<int>(rng.below(16));

  // Real loci leave some sizes of their range unseen: the alleles take `count`
  // of 1.5 * `count` consecutive repeat numbers, chosen at random.
  const int span = count + count / 2;
  std::vector<int> offsets(static_cast<size_t>(span));
  for (int k = 0; k < span; ++k) offsets[static_cast<size_t>(k)] = k;
  for (int k = 0; k < count; ++k) {
    const int j = k + static_cast<int>(rng.below(static_cast<uint64_t>(span - k)));
    std::swap(offsets[static_cast<size_t>(k)], offsets[static_cast<size_t>(j)]);
  }
  std::sort(offsets.begin(), offsets.begin() + count);
  const int smallest = 80 + step * static_cast<int>(rng.below(40));
  for (int k = 0; k < count; ++k) {
    locus.sizes.push_back(smallest + step * offsets[static_cast<size_t>(k)]);
  }

  // Stepwise mutation keeps neighbouring sizes similar in frequency: rank the
  // sizes by their distance from a modal size, with a little jitter so ties
  // fall either way, and give rank r a weight proportional to 1 / (r + 1).
  const int mode = static_cast<int>(rng.below(static_cast<uint64_t>(count)));
  std::vector<std::pair<int, int>> keyed;  // (key, size index)
  for (int k = 0; k < count; ++k) {
    keyed.emplace_back(4 * std::abs(k - mode) + static_cast<int>(rng.below(6)), k);
  }
  std::sort(keyed.begin(), keyed.end());
  std::vector<uint64_t> weight(static_cast<size_t>(count));
  for (size_t rank = 0; rank < keyed.size(); ++rank) {
    // Integer weights keep the draws free of floating-point rounding.
    weight[static_cast<size_t>(keyed[rank].second)] = 720720 / (rank + 1);
  }
  uint64_t sum = 0;
  for (uint64_t w : weight) {
    sum += w;
    locus.cumulative.push_back(sum);
  }
  return locus;
}

LocusModel makeSnpLocus(Rng& rng) {
  constexpr uint64_t kWeights = 1000;
  LocusModel locus;
  locus.kind = LocusModel::kSnp;
  locus.step = 1;
  locus.sizes = {1, 2};
  const uint64_t minor = kWeights / 10 + rng.below(kWeights * 4 / 10 + 1);
  locus.cumulative = {kWeights - minor, kWeights};
  return locus;
}

LocusModel makeListedLocus(std::vector<std::pair<int, double>> alleles) {
  constexpr double kWeightsPerUnit = 1e9;
  std::sort(alleles.begin(), alleles.end());
  LocusModel locus;
  locus.kind = LocusModel::kListed;
  locus.step = 0;
  uint64_t sum = 0;
  for (const auto& [size, frequency] : alleles) {
    // Every listed allele keeps a weight, however rare.
    sum += std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(frequency * kWeightsPerUnit)));
    locus.sizes.push_back(size);
    locus.cumulative.push_back(sum);
  }
  return locus;
}
