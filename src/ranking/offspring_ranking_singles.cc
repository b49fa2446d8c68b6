#include <algorithm>
#include <cmath>

#include "ranking/log_sums.h"
#include "ranking/offspring_ranking.h"
#include "ranking/scaled_product.h"
#include "ranking/single_kernels.h"
#include "util/cpu_features.h"

// OffspringRanker's candidates scored one by one: the parents' alleles coded,
// each offspring's loci readied, its candidates' states and fast LODs, and the
// exact LODs of those shown.

void OffspringRanker::codeAlleles() {
  const size_t loci = static_cast<size_t>(tables_.loci);
  const size_t width = 2 * loci;
  const size_t rows = tables_.parents.size();
  alleleCodeBooks_.assign(loci, {});
  for (size_t k = 0; k < loci; ++k) {
    AlleleCodeBook& book = alleleCodeBooks_[k];
    int32_t low = 0;
    int32_t high = -1;
    for (size_t r = 0; r < rows; ++r) {
      for (size_t c = 2 * k; c < 2 * k + 2; ++c) {
        const int32_t allele = alleles_[r * width + c];
        if (allele == tables_.missing) continue;
        if (high < low) low = high = allele;
        low = std::min(low, allele);
        high = std::max(high, allele);
      }
    }
    book.low = low;
    size_t coded = 0;
    if (high >= low && static_cast<int64_t>(high) - low < kDenseAlleleSpan) {
      // Allele sizes in a short span: a code per value, looked up directly.
      book.dense.assign(static_cast<size_t>(high - low) + 1, kAbsentCode);
      for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 2 * k; c < 2 * k + 2; ++c) {
          const int32_t allele = alleles_[r * width + c];
          if (allele != tables_.missing) book.dense[static_cast<size_t>(allele - low)] = 0;
        }
      }
      for (uint8_t code : book.dense) coded += code != kAbsentCode;
      if (coded <= kLastAlleleCode + 1) {
        uint8_t next = 0;
        for (uint8_t& code : book.dense) {
          if (code != kAbsentCode) code = next++;
        }
      }
    } else if (high >= low) {
      for (size_t r = 0; r < rows; ++r) {
        for (size_t c = 2 * k; c < 2 * k + 2; ++c) {
          const int32_t allele = alleles_[r * width + c];
          if (allele != tables_.missing) book.values.push_back(allele);
        }
      }
      std::sort(book.values.begin(), book.values.end());
      book.values.erase(std::unique(book.values.begin(), book.values.end()), book.values.end());
      coded = book.values.size();
    }
    if (coded > kLastAlleleCode + 1) {
      alleleCodeBooks_.clear();  // too many alleles at a locus: the rows stay as read
      return;
    }
  }
  alleleCodes_.resize(rows * width);
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < width; ++c) {
      alleleCodes_[r * width + c] = codeOf(c / 2, alleles_[r * width + c]);
    }
  }
  // Panels of few alleles (SNPs): each parent's genotype at a locus in one
  // byte, numbered per locus; an offspring then looks up a state per
  // genotype instead of comparing alleles.
  genotypes_.assign(loci, {});
  genotypeCodes_.resize(rows * loci + kCodesPadding);
  for (size_t k = 0; k < loci; ++k) {
    std::vector<std::pair<int32_t, int32_t>>& seen = genotypes_[k];
    for (size_t r = 0; r < rows; ++r) {
      // One code per unordered genotype, and one for every untyped one:
      // a parent's state depends on nothing else.
      const int32_t p1 = alleles_[r * width + 2 * k];
      const int32_t p2 = alleles_[r * width + 2 * k + 1];
      const std::pair<int32_t, int32_t> genotype =
          p1 == tables_.missing || p2 == tables_.missing
              ? std::make_pair(tables_.missing, tables_.missing)
              : std::make_pair(std::min(p1, p2), std::max(p1, p2));
      size_t g = 0;
      while (g < seen.size() && seen[g] != genotype) ++g;
      if (g == seen.size()) {
        if (seen.size() == kGenotypesPerLocus) {
          genotypes_.clear();
          genotypeCodes_.clear();
          return;
        }
        seen.push_back(genotype);
      }
      genotypeCodes_[r * loci + k] = static_cast<uint8_t>(g);
    }
  }
  fewGenotypes_ = std::all_of(genotypes_.begin(), genotypes_.end(), [](const auto& seen) {
    return seen.size() <= kKernelGenotypes;
  });
}

OffspringRanker::Scored OffspringRanker::scoreGenotypes(int32_t row, int32_t slot) {
  const size_t typed = loci_.size();
  uint8_t* states = slotStates(slot);
  const uint8_t* genotypes = &genotypeCodes_[static_cast<size_t>(row) * static_cast<size_t>(tables_.loci)];
  const uint8_t* stateOf = genotypeStates_.data();
  const double* ratioOf = genotypeRatios_.data();
  // Most offspring are typed at every locus: then typed locus k is locus k.
  const auto scoreAt = [&](auto locusOf) {
    return fastLogOfProduct(typed, [&](size_t k) {
      const size_t cell = k * kGenotypesPerLocus + genotypes[locusOf(k)];
      states[k] = stateOf[cell];
      return ratioOf[cell];
    });
  };
  const double lod =
      typed == static_cast<size_t>(tables_.loci)
          ? scoreAt([](size_t k) { return k; })
          : scoreAt([this](size_t k) { return static_cast<size_t>(loci_[k].locus); });
  return {row, lod, -1, slot};
}

int32_t OffspringRanker::mismatchesIn(int32_t slot) const {
  const uint8_t* states = statesOf(slot);
  return static_cast<int32_t>(std::count(states, states + loci_.size(), kNoAlleleState));
}

uint8_t OffspringRanker::codeOf(size_t locus, int32_t allele) const {
  if (allele == tables_.missing) return kMissingCode;
  const AlleleCodeBook& book = alleleCodeBooks_[locus];
  if (!book.dense.empty()) {
    const int64_t offset = int64_t{allele} - book.low;
    if (offset < 0 || offset >= static_cast<int64_t>(book.dense.size())) return kAbsentCode;
    return book.dense[static_cast<size_t>(offset)];
  }
  const auto at = std::lower_bound(book.values.begin(), book.values.end(), allele);
  if (at == book.values.end() || *at != allele) return kAbsentCode;
  return static_cast<uint8_t>(at - book.values.begin());
}

template <typename Allele>
OffspringRanker::Scored OffspringRanker::scoreOn(const Allele* parent, const Allele* offspring,
                                                 Allele missing, int32_t row, int32_t slot) {
  const size_t typed = loci_.size();
  uint8_t* states = slotStates(slot);
  const double* singles = singles_.data();
  // One logarithm for all the ratios: a fast LOD for the ranking of the
  // candidates; the few whose LODs are shown get the exact one (exactLod()).
  const auto ratio = [&](size_t k) {
    const size_t locus = static_cast<size_t>(loci_[k].locus);
    const Allele p1 = parent[2 * locus];
    const Allele p2 = parent[2 * locus + 1];
    const Allele a = offspring[2 * k];
    const Allele b = offspring[2 * k + 1];
    const int state = p1 == missing || p2 == missing
                          ? kUntypedState
                          : 3 * ((p1 == a) + (p2 == a)) + (p1 == b) + (p2 == b);
    states[k] = static_cast<uint8_t>(state);
    ensureState(k, state);
    return singles[k * kParentStates + static_cast<size_t>(state)];
  };
  const double lod = fastLogOfProduct(typed, ratio);
  return {row, lod, -1, slot};
}

OffspringRanker::Scored OffspringRanker::scoreSingle(int32_t row, int32_t slot) {
  if (useCodes_ && !genotypeCodes_.empty()) return scoreGenotypes(row, slot);
  if (useCodes_ && !alleleCodes_.empty()) {
    const size_t width = 2 * static_cast<size_t>(tables_.loci);
    return scoreOn<uint8_t>(&alleleCodes_[static_cast<size_t>(row) * width],
                            offspringCodes_.data(), kMissingCode, row, slot);
  }
  return scoreOn<int32_t>(allelesOf(row), offspringAlleles_.data(), tables_.missing, row, slot);
}

double OffspringRanker::exactLod(int32_t slot) const {
  const uint8_t* states = statesOf(slot);
  LodSum lod;
  for (size_t k = 0; k < loci_.size(); ++k) lod.add(singles_[k * kParentStates + states[k]]);
  return lod.total();
}

void OffspringRanker::makeExact(std::vector<Scored>& scored, size_t shown) const {
  if (exactSingles_) {
    for (Scored& s : scored) {
      s.lod = exactLod(s.slot);
      s.mismatches = mismatchesIn(s.slot);
    }
    return;
  }
  if (scored.size() <= shown) {
    for (Scored& s : scored) s.lod = exactLod(s.slot);
    return;
  }
  // The shown-th largest fast LOD: every candidate that could be among the
  // first `shown` by its exact LOD lies above it less the slack.
  double largest[4];  // the largest fast LODs so far, falling
  size_t held = 0;
  for (const Scored& s : scored) {
    if (held == shown && s.lod <= largest[shown - 1]) continue;
    size_t at = held < shown ? held++ : shown - 1;
    for (; at > 0 && largest[at - 1] < s.lod; --at) largest[at] = largest[at - 1];
    largest[at] = s.lod;
  }
  const double cut = largest[shown - 1] - kFastLodSlack;
  for (Scored& s : scored) {
    if (s.lod >= cut) s.lod = exactLod(s.slot);
  }
}

void OffspringRanker::prepareLoci() {
  const size_t typed = loci_.size();
  singlesKernel_ = nullptr;  // until prepareGenotypeKernel() finds one for this offspring
  locusStates_.resize(typed);
  singles_.resize(typed * kParentStates);
  ready_.assign(typed, 0);
  interactionsReady_ = false;
  heterozygous_.clear();
  heterozygousAt_.resize(typed);
  for (size_t k = 0; k < typed; ++k) {
    heterozygousAt_[k] = static_cast<int32_t>(heterozygous_.size());
    if (loci_[k].a != loci_[k].b) heterozygous_.push_back(static_cast<int32_t>(k));
  }
  shareA_.resize(heterozygous_.size() * kParentStates);
  shareB_.resize(heterozygous_.size() * kParentStates);
  tablesAt_.clear();
  if (!genotypeCodes_.empty()) {
    // A panel read by genotype has few offspring genotypes a locus: their
    // tables are filled once, the first time each is met; the singles and
    // shares are copied, the transmissions read in place (statesAt).
    tablesByLocus_.resize(static_cast<size_t>(tables_.loci));
    tableKeys_.resize(static_cast<size_t>(tables_.loci));
    tablesAt_.resize(typed);
    for (size_t k = 0; k < typed; ++k) {
      const LocusTables* t = tablesFor(k);
      tablesAt_[k] = t;
      if (t == nullptr || ready_[k] != 0) continue;  // not kept, or just filled
      std::copy_n(t->singles, kParentStates, &singles_[k * kParentStates]);
      if (loci_[k].a != loci_[k].b) {
        const size_t h = static_cast<size_t>(heterozygousAt_[k]) * kParentStates;
        std::copy_n(t->shareA, kParentStates, &shareA_[h]);
        std::copy_n(t->shareB, kParentStates, &shareB_[h]);
      }
      ready_[k] = kEveryState;
    }
  }
  // The offspring's a and b per typed locus, as the parents' rows hold them;
  // coded only for enough candidates to repay it.
  offspringAlleles_.clear();
  offspringCodes_.clear();
  useCodes_ = scope_.size() >= kCodedCandidates;
  for (const OffspringLocus& o : loci_) {
    offspringAlleles_.push_back(o.a);
    offspringAlleles_.push_back(o.b);
    if (useCodes_ && !alleleCodes_.empty()) {
      offspringCodes_.push_back(codeOf(static_cast<size_t>(o.locus), o.a));
      offspringCodes_.push_back(codeOf(static_cast<size_t>(o.locus), o.b));
    }
  }
  if (useCodes_ && !genotypeCodes_.empty()) {
    genotypeStates_.assign(typed * kGenotypesPerLocus, 0);
    genotypeRatios_.resize(typed * kGenotypesPerLocus);
    for (size_t k = 0; k < typed; ++k) {
      const OffspringLocus& o = loci_[k];
      const std::vector<std::pair<int32_t, int32_t>>& seen = genotypes_[static_cast<size_t>(o.locus)];
      if (tablesAt_[k] != nullptr) {
        std::copy_n(tablesAt_[k]->genotypeStates, seen.size(),
                    &genotypeStates_[k * kGenotypesPerLocus]);
        std::copy_n(tablesAt_[k]->genotypeRatios, seen.size(),
                    &genotypeRatios_[k * kGenotypesPerLocus]);
        continue;
      }
      for (size_t g = 0; g < seen.size(); ++g) {
        const int state = parentState(o, seen[g].first, seen[g].second, tables_.missing);
        ensureState(k, state);
        genotypeStates_[k * kGenotypesPerLocus + g] = static_cast<uint8_t>(state);
        genotypeRatios_[k * kGenotypesPerLocus + g] =
            singles_[k * kParentStates + static_cast<size_t>(state)];
      }
    }
    prepareGenotypeKernel();
  }
}

void OffspringRanker::prepareGenotypeKernel() {
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  const size_t typed = loci_.size();
  const size_t loci = static_cast<size_t>(tables_.loci);
  const KernelKind kind = activeKernel();
  if (!fewGenotypes_ || kind == KernelKind::Portable || (typed < loci && loci > kKernelPlaces)) {
    return;
  }
  const bool wide = kind == KernelKind::Avx512 && hasGenotypeKernel();
  if (!wide && typed + kShuffledUntyped < loci) return;
  // Per four typed loci, their ratios and states, a row per genotype.
  kernelRatios_.assign((typed + 3) / 4 * 16, 1.0);
  kernelStates_.assign((typed + 3) / 4 * 16, 0);
  for (size_t k = 0; k < typed; ++k) {
    const size_t genotypes = genotypes_[static_cast<size_t>(loci_[k].locus)].size();
    for (size_t g = 0; g < genotypes; ++g) {
      const size_t cell = k / 4 * 16 + 4 * g + k % 4;
      kernelRatios_[cell] = genotypeRatios_[k * kGenotypesPerLocus + g];
      kernelStates_[cell] = genotypeStates_[k * kGenotypesPerLocus + g];
    }
  }
  kernelPlaces_.assign(kKernelPlaces, 0);
  kernelShuffles_.assign(2 * kKernelPlaces, 0x80);
  for (size_t k = 0; k < typed && typed < loci; ++k) {
    const size_t place = static_cast<size_t>(loci_[k].locus);
    kernelPlaces_[k] = static_cast<uint8_t>(place);
    // From the 16 loci at k's block of 16 or from the 16 after.
    const size_t from = place - k / 16 * 16;
    kernelShuffles_[k / 16 * 32 + (from < 16 ? 0 : 16) + k % 16] = static_cast<uint8_t>(from % 16);
  }
  kernelSingles_ = {typed,
                    kernelRatios_.data(),
                    kernelStates_.data(),
                    typed < loci ? kernelPlaces_.data() : nullptr,
                    typed < loci ? kernelShuffles_.data() : nullptr,
                    loci};
  singlesKernel_ = wide ? genotypeProducts : genotypeProductsAvx2;
#endif
}

const OffspringRanker::LocusTables* OffspringRanker::tablesFor(size_t k) {
  const OffspringLocus& o = loci_[k];
  std::vector<LocusTables>& met = tablesByLocus_[static_cast<size_t>(o.locus)];
  // The genotypes met, by their keys side by side: the tables themselves
  // lie a few cache lines apart.
  std::vector<uint64_t>& keys = tableKeys_[static_cast<size_t>(o.locus)];
  const uint64_t key = static_cast<uint64_t>(static_cast<uint32_t>(o.a)) << 32 |
                       static_cast<uint32_t>(o.b);
  for (size_t e = 0; e < keys.size(); ++e) {
    if (keys[e] == key) return &met[e];
  }
  if (met.size() == kTablesPerLocus) return nullptr;
  keys.push_back(key);
  for (int state = 0; state < kParentStates; ++state) fillState(k, state);
  met.reserve(kTablesPerLocus);  // tablesAt_ keeps pointers into it
  LocusTables& t = met.emplace_back();
  t.states = locusStates_[k];
  std::copy_n(&singles_[k * kParentStates], kParentStates, t.singles);
  if (o.a != o.b) {
    const size_t h = static_cast<size_t>(heterozygousAt_[k]) * kParentStates;
    std::copy_n(&shareA_[h], kParentStates, t.shareA);
    std::copy_n(&shareB_[h], kParentStates, t.shareB);
    t.bound = PairBounds::boundAt(o, t.states);
  }
  const std::vector<std::pair<int32_t, int32_t>>& seen = genotypes_[static_cast<size_t>(o.locus)];
  for (size_t g = 0; g < seen.size(); ++g) {
    const int state = parentState(o, seen[g].first, seen[g].second, tables_.missing);
    t.genotypeStates[g] = static_cast<uint8_t>(state);
    t.genotypeRatios[g] = t.singles[state];
  }
  return &t;
}

void OffspringRanker::fillState(size_t k, int state) {
  const OffspringLocus& o = loci_[k];
  LocusStates& states = locusStates_[k];
  states.sent[state] = stateTransmission(o, state, errorRates_[static_cast<size_t>(o.locus)]);
  const size_t cell = k * kParentStates + static_cast<size_t>(state);
  singles_[cell] = singleRatio(o, states.sent[state]);
  if (o.a != o.b) {
    const size_t share = static_cast<size_t>(heterozygousAt_[k]) * kParentStates +
                         static_cast<size_t>(state);
    shareA_[share] = states.sent[state].a / (2.0 * o.fa) / singles_[cell];
    shareB_[share] = states.sent[state].b / (2.0 * o.fb) / singles_[cell];
  }
  ready_[k] = static_cast<uint16_t>(ready_[k] | (1u << state));
}

void OffspringRanker::scoreScope() {
  size_t next = 0;
#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
  if (singlesKernel_ != nullptr) {
    // kKernelCandidates a call; a short last group repeats its last one into
    // a spare slot.
    const size_t typed = loci_.size();
    const size_t loci = static_cast<size_t>(tables_.loci);
    states_.resize(std::max(states_.size(), (scope_.size() + 1) * typed));
    spareStates_.resize(typed);
    for (; next < scope_.size(); next += kKernelCandidates) {
      const uint8_t* codes[kKernelCandidates];
      uint8_t* states[kKernelCandidates];
      for (size_t c = 0; c < kKernelCandidates; ++c) {
        const size_t at = std::min(next + c, scope_.size() - 1);
        codes[c] = &genotypeCodes_[static_cast<size_t>(scope_[at]) * loci];
        states[c] =
            next + c < scope_.size() ? states_.data() + (next + c) * typed : spareStates_.data();
      }
      ScaledProduct products[kKernelCandidates];
      singlesKernel_(codes, kernelSingles_, states, products);
      for (size_t c = 0; c < kKernelCandidates && next + c < scope_.size(); ++c) {
        const int32_t row = scope_[next + c];
        (tables_.isMother(static_cast<size_t>(row)) ? mothers_ : fathers_)
            .push_back({row, logOfScaled(products[c].product, products[c].exponent), -1,
                        static_cast<int32_t>(next + c)});
      }
    }
    return;
  }
#endif
  for (; next < scope_.size(); ++next) {
    const int32_t row = scope_[next];
    (tables_.isMother(static_cast<size_t>(row)) ? mothers_ : fathers_)
        .push_back(scoreSingle(row, static_cast<int32_t>(next)));
  }
}
