#include "ranking/carrier_index.h"

#include <algorithm>

#include "ranking/scope_kernels.h"
#include "util/counting_order.h"

namespace {

constexpr size_t kWordBits = 64;
// Words searched side by side: a block is left once all its parents are past
// the limit, and the few operations per word of a locus run in parallel.
constexpr size_t kLanes = 4;

// The parents of word `w` that exist: all 64 but in the last, partial word
// and the padding after it.
uint64_t presentIn(size_t w, size_t parents) {
  if (w * kWordBits >= parents) return 0;
  const size_t left = parents - w * kWordBits;
  return left >= kWordBits ? ~uint64_t{0} : (uint64_t{1} << left) - 1;
}

}  // namespace

CarrierIndex::CarrierIndex(const GenotypeTables& tables)
    : loci_(tables.loci),
      missing_(tables.missing),
      parents_(tables.parents.size()),
      words_((tables.parents.size() + kWordBits * kScopeGroupWords - 1) /
             (kWordBits * kScopeGroupWords) * kScopeGroupWords) {
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
    if (!locus.alleles.empty() &&
        int64_t{locus.alleles.back()} - locus.alleles.front() < kDenseSlots) {
      locus.slots.assign(static_cast<size_t>(locus.alleles.back() - locus.alleles.front() + 1),
                         static_cast<int32_t>(locus.alleles.size()));
      for (size_t slot = 0; slot < locus.alleles.size(); ++slot) {
        locus.slots[static_cast<size_t>(locus.alleles[slot] - locus.alleles.front())] =
            static_cast<int32_t>(slot);
      }
    }
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
  size_t slot = locus.alleles.size();
  if (!locus.slots.empty()) {
    const int64_t offset = int64_t{allele} - locus.alleles.front();
    if (offset >= 0 && offset < static_cast<int64_t>(locus.slots.size())) {
      slot = static_cast<size_t>(locus.slots[static_cast<size_t>(offset)]);
    }
  } else {
    const auto it = std::lower_bound(locus.alleles.begin(), locus.alleles.end(), allele);
    if (it != locus.alleles.end() && *it == allele) slot = static_cast<size_t>(it - locus.alleles.begin());
  }
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
    // Where the parents carry only the offspring's two alleles (an SNP where
    // it is heterozygous), every parent shares one: nothing to count.
    if (locus.alleles.size() == 2 && offspring[2 * k] != offspring[2 * k + 1] &&
        std::min(offspring[2 * k], offspring[2 * k + 1]) == locus.alleles[0] &&
        std::max(offspring[2 * k], offspring[2 * k + 1]) == locus.alleles[1]) {
      continue;
    }
    int32_t countA = 0;
    int32_t countB = 0;
    const uint64_t* a = sharersOf(locus, offspring[2 * k], &countA);
    const uint64_t* b = sharersOf(locus, offspring[2 * k + 1], &countB);
    probes_.push_back({a, b, a == b ? countA : countA + countB, k});
  }
  if (static_cast<size_t>(maxMismatches) >= probes_.size()) {
    for (size_t j = 0; j < parents_; ++j) rows.push_back(static_cast<int32_t>(j));
    return;
  }
  // Loci shared by the fewest parents rule out the most, so they go first:
  // by the power of two of their sharers (then in locus order), which
  // orders them as well for the search as a full sort, for less than its
  // mispredicted branches. The parents found do not depend on the order.
  countingOrder(
      probes_.size(), kSharerClasses + 1,
      [this](size_t k) {
        const uint64_t sharers = static_cast<uint64_t>(probes_[k].sharers);
        return static_cast<size_t>(64 - __builtin_clzll(sharers | 1));
      },
      classEnds_, probeOrder_);
  sorted_.clear();
  for (uint32_t k : probeOrder_) sorted_.push_back(probes_[k]);
  probes_.swap(sorted_);
  const size_t top = static_cast<size_t>(maxMismatches);
  if (top <= kMaxKernelLimit) {
    scopeWithin(probes_.data(), probes_.size(), words_, parents_, top, rows);
  } else {
    scanWords(top, rows);
  }
}

// Limits past the kernels': the counters in memory, kLanes words at a time.
void CarrierIndex::scanWords(size_t top, std::vector<int32_t>& rows) const {
  levels_.resize((top + 1) * kLanes);
  // levels[i][lane]: the parents of a word with more than i mismatches so far.
  auto* levels = reinterpret_cast<uint64_t(*)[kLanes]>(levels_.data());
  const size_t last = top;
  for (size_t w = 0; w < words_; w += kLanes) {
    uint64_t present[kLanes];
    for (size_t l = 0; l < kLanes; ++l) present[l] = presentIn(w + l, parents_);
    for (size_t i = 0; i <= last; ++i) {
      for (size_t l = 0; l < kLanes; ++l) levels[i][l] = 0;
    }
    for (const ScopeProbe& probe : probes_) {
      uint64_t miss[kLanes];
      for (size_t l = 0; l < kLanes; ++l) miss[l] = ~(probe.a[w + l] | probe.b[w + l]);
      for (size_t i = last; i > 0; --i) {
        for (size_t l = 0; l < kLanes; ++l) levels[i][l] |= levels[i - 1][l] & miss[l];
      }
      uint64_t open = 0;
      for (size_t l = 0; l < kLanes; ++l) {
        levels[0][l] |= miss[l];
        open |= present[l] & ~levels[last][l];
      }
      if (open == 0) break;
    }
    for (size_t l = 0; l < kLanes; ++l) {
      for (uint64_t keep = ~levels[last][l] & present[l]; keep != 0; keep &= keep - 1) {
        rows.push_back(static_cast<int32_t>((w + l) * kWordBits +
                                            static_cast<size_t>(__builtin_ctzll(keep))));
      }
    }
  }
}
