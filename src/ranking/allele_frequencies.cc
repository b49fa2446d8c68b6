#include "ranking/allele_frequencies.h"

#include <algorithm>
#include <map>

#include "util/ordered_work.h"

namespace {

// Loci whose alleles span fewer values than this are counted in an array
// (microsatellite sizes span a few hundred); wider ones in a map.
constexpr int64_t kDenseCountSpan = int64_t{1} << 16;

// One locus's allele counts: an array over the alleles' span when it is
// narrow, a map otherwise.
struct LocusCounter {
  int64_t low = INT64_MAX;
  int64_t high = INT64_MIN;
  int64_t typed = 0;
  std::vector<int64_t> dense;
  std::map<int32_t, int64_t> sparse;

  void add(int32_t allele) {
    if (dense.empty()) {
      ++sparse[allele];
    } else {
      ++dense[static_cast<size_t>(allele - low)];
    }
  }
};

// Calls visit(locus, a, b) for every typed locus in [first, last) of every
// row, parents then offspring, row by row so each row is read once.
template <typename Visit>
void forEachTypedLocus(const GenotypeTables& tables, int32_t first, int32_t last, Visit visit) {
  for (const auto* table : {&tables.parents, &tables.offspring}) {
    for (const std::vector<int>& row : *table) {
      for (int32_t locus = first; locus < last; ++locus) {
        if (locusTyped(row.data(), locus, tables.missing)) {
          visit(static_cast<size_t>(locus), row[2 * locus], row[2 * locus + 1]);
        }
      }
    }
  }
}

// Counts the alleles of loci [first, last) into their counters.
void countLoci(const GenotypeTables& tables, int32_t first, int32_t last,
               std::vector<LocusCounter>& counters) {
  forEachTypedLocus(tables, first, last, [&counters](size_t locus, int32_t a, int32_t b) {
    LocusCounter& c = counters[locus];
    c.low = std::min<int64_t>(c.low, std::min(a, b));
    c.high = std::max<int64_t>(c.high, std::max(a, b));
    ++c.typed;
  });
  for (int32_t locus = first; locus < last; ++locus) {
    LocusCounter& c = counters[static_cast<size_t>(locus)];
    if (c.typed > 0 && c.high - c.low < kDenseCountSpan) c.dense.assign(static_cast<size_t>(c.high - c.low + 1), 0);
  }
  forEachTypedLocus(tables, first, last, [&counters](size_t locus, int32_t a, int32_t b) {
    counters[locus].add(a);
    counters[locus].add(b);
  });
}

}  // namespace

AlleleFrequencies::AlleleFrequencies(
    std::vector<std::vector<std::pair<int32_t, double>>> byLocus) {
  for (auto& entries : byLocus) {
    std::sort(entries.begin(), entries.end());
    std::vector<int32_t>& alleles = alleles_.emplace_back();
    std::vector<double>& frequencies = frequencies_.emplace_back();
    for (const auto& [allele, frequency] : entries) {
      alleles.push_back(allele);
      frequencies.push_back(std::max(frequency, kFrequencyFloor));
    }
    std::vector<double>& dense = dense_.emplace_back();
    if (!alleles.empty() && int64_t{alleles.back()} - alleles.front() < kDenseSpan) {
      dense.assign(static_cast<size_t>(alleles.back() - alleles.front() + 1), kFrequencyFloor);
      for (size_t i = 0; i < alleles.size(); ++i) {
        dense[static_cast<size_t>(alleles[i] - alleles.front())] = frequencies[i];
      }
    }
  }
}

AlleleFrequencies AlleleFrequencies::count(const GenotypeTables& tables, unsigned threads) {
  const size_t loci = static_cast<size_t>(std::max(tables.loci, 0));
  std::vector<LocusCounter> counters(loci);
  // The loci in one run per thread, each run reading its loci of every row:
  // the counts are whole numbers, so the frequencies do not depend on it.
  struct Run {
    int32_t first = 0;
    int32_t last = 0;
  };
  const size_t runs = std::clamp<size_t>(threads, 1, std::max<size_t>(loci, 1));
  OrderedWork<Run> work(static_cast<unsigned>(runs), 1);
  work.run(
      [runs, loci](size_t index, Run& run) {
        if (index >= runs) return false;
        run.first = static_cast<int32_t>(loci * index / runs);
        run.last = static_cast<int32_t>(loci * (index + 1) / runs);
        return true;
      },
      [&tables, &counters](unsigned, size_t, Run& run) {
        countLoci(tables, run.first, run.last, counters);
      },
      [](Run&) { return true; });
  std::vector<std::vector<std::pair<int32_t, double>>> byLocus(counters.size());
  for (size_t locus = 0; locus < counters.size(); ++locus) {
    const LocusCounter& c = counters[locus];
    const double copies = 2.0 * static_cast<double>(c.typed);
    std::vector<std::pair<int32_t, double>>& entries = byLocus[locus];
    for (size_t i = 0; i < c.dense.size(); ++i) {
      if (c.dense[i] > 0) {
        entries.emplace_back(static_cast<int32_t>(c.low + static_cast<int64_t>(i)),
                             static_cast<double>(c.dense[i]) / copies);
      }
    }
    for (const auto& [allele, n] : c.sparse) entries.emplace_back(allele, static_cast<double>(n) / copies);
  }
  return AlleleFrequencies(std::move(byLocus));
}

double AlleleFrequencies::search(int32_t locus, int32_t allele) const {
  const std::vector<int32_t>& alleles = alleles_[static_cast<size_t>(locus)];
  const auto it = std::lower_bound(alleles.begin(), alleles.end(), allele);
  if (it == alleles.end() || *it != allele) return kFrequencyFloor;
  return frequencies_[static_cast<size_t>(locus)][static_cast<size_t>(it - alleles.begin())];
}
