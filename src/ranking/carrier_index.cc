#include "ranking/carrier_index.h"

#include <algorithm>

namespace {

constexpr size_t kWordBits = 64;

// The parents of word `w` that exist: all 64 but in the last, partial word.
uint64_t presentIn(size_t w, size_t parents) {
  const size_t left = parents - w * kWordBits;
  return left >= kWordBits ? ~uint64_t{0} : (uint64_t{1} << left) - 1;
}

}  // namespace

CarrierIndex::CarrierIndex(const GenotypeTables& tables)
    : loci_(tables.loci),
      missing_(tables.missing),
      parents_(tables.parents.size()),
      words_((tables.parents.size() + kWordBits - 1) / kWordBits) {
  index_.resize(static_cast<size_t>(loci_));
  for (int32_t k = 0; k < loci_; ++k) {
    Locus& locus = index_[static_cast<size_t>(k)];
    for (const std::vector<int>& row : tables.parents) {
      if (!locusTyped(row.data(), k, missing_)) continue;
      locus.alleles.push_back(row[2 * k]);
      locus.alleles.push_back(row[2 * k + 1]);
    }
    std::sort(locus.alleles.begin(), locus.alleles.end());
    locus.alleles.erase(std::unique(locus.alleles.begin(), locus.alleles.end()),
                        locus.alleles.end());
    const size_t slots = locus.alleles.size() + 1;
    locus.sharers.assign(slots * words_, 0);
    locus.counts.assign(slots, 0);
    uint64_t* untyped = &locus.sharers[locus.alleles.size() * words_];
    for (size_t j = 0; j < parents_; ++j) {
      const uint64_t bit = uint64_t{1} << (j % kWordBits);
      const int* row = tables.parents[j].data();
      if (!locusTyped(row, k, missing_)) {
        untyped[j / kWordBits] |= bit;
        continue;
      }
      for (int32_t allele : {row[2 * k], row[2 * k + 1]}) {
        const size_t slot = static_cast<size_t>(
            std::lower_bound(locus.alleles.begin(), locus.alleles.end(), allele) -
            locus.alleles.begin());
        locus.sharers[slot * words_ + j / kWordBits] |= bit;
      }
    }
    // Untyped parents share with every offspring allele.
    for (size_t slot = 0; slot < slots; ++slot) {
      uint64_t* bits = &locus.sharers[slot * words_];
      for (size_t w = 0; w < words_; ++w) {
        bits[w] |= untyped[w];
        locus.counts[slot] += __builtin_popcountll(bits[w]);
      }
    }
  }
}

const uint64_t* CarrierIndex::sharersOf(const Locus& locus, int32_t allele,
                                        int32_t* count) const {
  const auto it = std::lower_bound(locus.alleles.begin(), locus.alleles.end(), allele);
  size_t slot = locus.alleles.size();
  if (it != locus.alleles.end() && *it == allele) slot = static_cast<size_t>(it - locus.alleles.begin());
  *count = locus.counts[slot];
  return &locus.sharers[slot * words_];
}

void CarrierIndex::scope(const int* offspring, int32_t maxMismatches,
                         std::vector<int32_t>& rows) const {
  rows.clear();
  probes_.clear();
  for (int32_t k = 0; k < loci_; ++k) {
    if (!locusTyped(offspring, k, missing_)) continue;
    const Locus& locus = index_[static_cast<size_t>(k)];
    int32_t countA = 0;
    int32_t countB = 0;
    const uint64_t* a = sharersOf(locus, offspring[2 * k], &countA);
    const uint64_t* b = sharersOf(locus, offspring[2 * k + 1], &countB);
    probes_.push_back({a, b, a == b ? countA : countA + countB});
  }
  if (static_cast<size_t>(maxMismatches) >= probes_.size()) {
    for (size_t j = 0; j < parents_; ++j) rows.push_back(static_cast<int32_t>(j));
    return;
  }
  // Loci shared by the fewest parents rule out the most, so they go first.
  std::stable_sort(probes_.begin(), probes_.end(),
                   [](const Probe& x, const Probe& y) { return x.sharers < y.sharers; });
  const size_t top = static_cast<size_t>(maxMismatches);
  switch (top) {
    case 0: return scanWords<0>(top, rows);
    case 1: return scanWords<1>(top, rows);
    case 2: return scanWords<2>(top, rows);
    case 3: return scanWords<3>(top, rows);
    default: return scanWords<-1>(top, rows);
  }
}

// `Fixed` is the limit when known at compile time (the common small limits,
// whose counters then live in registers), -1 for any other `top`.
template <int Fixed>
void CarrierIndex::scanWords(size_t top, std::vector<int32_t>& rows) const {
  constexpr size_t kLocalLevels = Fixed >= 0 ? static_cast<size_t>(Fixed) + 1 : 1;
  uint64_t local[kLocalLevels];
  if (Fixed < 0) levels_.resize(top + 1);
  // levels[i]: the parents of the word with more than i mismatches so far.
  uint64_t* levels = Fixed >= 0 ? local : levels_.data();
  const size_t last = Fixed >= 0 ? static_cast<size_t>(Fixed) : top;
  for (size_t w = 0; w < words_; ++w) {
    const uint64_t present = presentIn(w, parents_);
    for (size_t i = 0; i <= last; ++i) levels[i] = 0;
    for (const Probe& probe : probes_) {
      const uint64_t miss = ~(probe.a[w] | probe.b[w]);
      for (size_t i = last; i > 0; --i) levels[i] |= levels[i - 1] & miss;
      levels[0] |= miss;
      if ((levels[last] & present) == present) break;
    }
    for (uint64_t keep = ~levels[last] & present; keep != 0; keep &= keep - 1) {
      rows.push_back(static_cast<int32_t>(w * kWordBits + static_cast<size_t>(__builtin_ctzll(keep))));
    }
  }
}
