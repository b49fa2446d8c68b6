#include "markers/marker_statistics.h"

#include <array>

namespace {

// a_n = sum of p_i^n for n = 0..6 (a_0 unused), summed in allele-size order so
// the figures are the same bytes on every machine.
constexpr size_t kPowers = 7;
std::array<double, kPowers> powerSums(const LocusCounts& counts) {
  uint64_t copies = 0;
  for (const auto& entry : counts.alleles) copies += entry.second;
  std::array<double, kPowers> a{};
  for (const auto& entry : counts.alleles) {
    const double p = static_cast<double>(entry.second) / static_cast<double>(copies);
    double power = 1;
    for (size_t n = 1; n < kPowers; ++n) {
      power *= p;
      a[n] += power;
    }
  }
  return a;
}

// Running mean of the loci that have a figure.
struct Mean {
  double sum = 0;
  int count = 0;
  void add(const std::optional<double>& value) {
    if (!value) return;
    sum += *value;
    ++count;
  }
  std::optional<double> value() const {
    if (count == 0) return std::nullopt;
    return sum / count;
  }
};

// 1 - product of (1 - excl) over the loci with a figure.
struct Combined {
  double pass = 1;  // chance a non-parent passes every locus so far
  bool any = false;
  void add(const std::optional<double>& excl) {
    if (!excl) return;
    pass *= 1 - *excl;
    any = true;
  }
  std::optional<double> value() const {
    if (!any) return std::nullopt;
    return 1 - pass;
  }
};

}  // namespace

MarkerRow locusStatistics(const LocusCounts& counts) {
  MarkerRow row;
  row.alleles = static_cast<double>(counts.alleles.size());
  row.typed = static_cast<double>(counts.typed);
  if (counts.typed == 0 || counts.alleles.size() < 2) return row;
  const std::array<double, kPowers> a = powerSums(counts);
  const double n = static_cast<double>(counts.typed);
  row.ho = static_cast<double>(counts.heterozygous) / n;
  if (counts.typed > 1) {
    row.he = n / (n - 1) * (1 - a[2]);
    row.fNull = (*row.he - *row.ho) / (1 + *row.he);
  }
  // sum over i<j of 2 p_i^2 p_j^2 is a_2^2 - a_4.
  row.pic = 1 - a[2] - (a[2] * a[2] - a[4]);
  row.excl1p = 1 - 4 * a[2] + 2 * a[2] * a[2] + 4 * a[3] - 3 * a[4];
  row.excl2p = 1 - 2 * a[2] + a[3] + 2 * a[4] - 3 * a[5] - 2 * a[2] * a[2] + 3 * a[2] * a[3];
  row.exclpp = 1 + 4 * a[4] - 4 * a[5] - 3 * a[6] - 8 * a[2] * a[2] + 8 * a[2] * a[3] +
               2 * a[3] * a[3];
  return row;
}

MarkerRow combinedStatistics(const std::vector<MarkerRow>& loci) {
  Mean alleles, typed, ho, he, pic, fNull, mismatch;
  Combined excl1p, excl2p, exclpp;
  for (const MarkerRow& locus : loci) {
    alleles.add(locus.alleles);
    typed.add(locus.typed);
    ho.add(locus.ho);
    he.add(locus.he);
    pic.add(locus.pic);
    fNull.add(locus.fNull);
    mismatch.add(locus.mismatchRate);
    excl1p.add(locus.excl1p);
    excl2p.add(locus.excl2p);
    exclpp.add(locus.exclpp);
  }
  MarkerRow row;
  row.alleles = alleles.value().value_or(0);
  row.typed = typed.value().value_or(0);
  row.ho = ho.value();
  row.he = he.value();
  row.pic = pic.value();
  row.fNull = fNull.value();
  row.mismatchRate = mismatch.value();
  row.excl1p = excl1p.value();
  row.excl2p = excl2p.value();
  row.exclpp = exclpp.value();
  return row;
}
