#include "ranking/offspring_ranking.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "input/saturate.h"
#include "ranking/scaled_product.h"
#include "ranking/single_kernels.h"
#include "spheres/locus_distance.h"
#include "util/counting_order.h"
#include "util/cpu_features.h"

namespace {

// True when (lod, key) ranks before (otherLod, otherKey): higher LOD first,
// then the earlier row.
bool ranksBefore(double lod, int64_t key, double otherLod, int64_t otherKey) {
  return lod > otherLod || (lod == otherLod && key < otherKey);
}

// Keeps the best and the runner-up of a stream of (lod, key) candidates.
struct TopTwo {
  bool hasBest = false;
  bool hasSecond = false;
  double best = 0.0;
  double second = 0.0;
  int64_t bestKey = 0;
  int64_t secondKey = 0;

  // True when the candidate became the best.
  bool offer(double lod, int64_t key) {
    if (!hasBest || ranksBefore(lod, key, best, bestKey)) {
      if (hasBest) {
        hasSecond = true;
        second = best;
        secondKey = bestKey;
      }
      hasBest = true;
      best = lod;
      bestKey = key;
      return true;
    }
    if (!hasSecond || ranksBefore(lod, key, second, secondKey)) {
      hasSecond = true;
      second = lod;
      secondKey = key;
    }
    return false;
  }
  // The best LOD minus the runner-up's, an unsampled parent (LOD 0) counting
  // as a runner-up.
  double delta() const { return best - std::max(hasSecond ? second : 0.0, 0.0); }
};

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

// ln(e^x + e^y), exact at -inf.
double logAdd(double x, double y) {
  if (x < y) std::swap(x, y);
  if (y == kMinusInfinity) return x;
  return x + std::log1p(std::exp(y - x));
}

// ln of the sum of e^lod over `scored`, whose largest LOD is `largest`: one
// exponential per candidate and a single logarithm.
template <typename Lod, typename Items>
double logSumOf(const Items& items, double largest, Lod lod) {
  double sum = 0.0;
  for (const auto& item : items) sum += std::exp(lod(item) - largest);
  return largest + std::log(sum);
}

// ln(P / N) and ln(1 - P): the prior of each of N sampled candidates and that
// of an unsampled parent.
double logPrior(double share, int64_t candidates) {
  return candidates > 0 ? std::log(share / static_cast<double>(candidates)) : kMinusInfinity;
}
double logUnsampled(double share) { return share < 1.0 ? std::log1p(-share) : kMinusInfinity; }

// The posterior of a candidate of weight ln(prior) + lod among candidates
// whose weights sum to e^logTotal.
double posteriorOf(double logWeight, double logTotal) {
  return std::min(1.0, std::exp(logWeight - logTotal));
}

// The slack that covers the rounding of the LOD sums in a bound.
constexpr double kBoundSlack = 1e-6;

const double kLn2 = std::log(2.0);

// How far a fast LOD may lie from the exact one, with a wide margin: the two
// differ by the rounding of some hundred products, about 1e-13.
constexpr double kFastLodSlack = 1e-7;

// ln(product * 2^exponent).
double logOfScaled(double product, int64_t exponent) {
  return std::log(product) + kLn2 * static_cast<double>(exponent);
}

// ln of ratio(0) * ... * ratio(count - 1), each taken once in that order:
// four products side by side, each rescaled after eight ratios, and one
// logarithm. Within about 1e-13 of the LodSum of the same ratios.
template <typename Ratio>
double fastLogOfProduct(size_t count, Ratio ratio) {
  double p0 = 1.0, p1 = 1.0, p2 = 1.0, p3 = 1.0;
  int64_t exponent = 0;
  size_t k = 0;
  while (k + 4 <= count) {
    const size_t end = std::min(count & ~size_t{3}, k + 32);
    for (; k < end; k += 4) {
      p0 *= ratio(k);
      p1 *= ratio(k + 1);
      p2 *= ratio(k + 2);
      p3 *= ratio(k + 3);
    }
    exponent += rescale(p0) + rescale(p1) + rescale(p2) + rescale(p3);
  }
  for (; k < count; ++k) p0 *= ratio(k);
  exponent += rescale(p0);
  return logOfScaled(p0 * p1 * p2 * p3, exponent);
}

// What a pair's ratio at a heterozygous locus is over the product of its
// single ratios, halved: from the cells m and f of the shares owed to
// passing a and b.
inline double interaction(const double* shareA, const double* shareB, size_t m, size_t f) {
  return shareA[m] * shareB[f] + shareB[m] * shareA[f];
}

// How finely searchPairs orders the pairs whose bounds reach the threshold.
constexpr size_t kOrderSteps = 256;

// The pairs of the best few mothers and fathers, scored first: they set the
// runner-up and the best pair's LOD that every other pair's bound must reach.
// Three each, so that hermaphrodites, whose best mother and father are often
// one individual, still start with pairs.
constexpr size_t kFirstPairs = 3;

// A pair whose trio LOD is bounded this far below the best pair's weighs at
// most e^-12 (about 1/160000) of it in the pair's posterior.
constexpr double kNegligibleLod = 12.0;

// A pair left unscored whose weight is below this share of the best pair's
// is left out of the pair's posterior altogether: a million of them move it
// by less than 1e-6.
constexpr double kNegligibleShare = 1e-12;

}  // namespace

OffspringRanker::OffspringRanker(const GenotypeTables& tables,
                                 const AlleleFrequencies& frequencies,
                                 const RankingSettings& settings)
    : tables_(tables),
      frequencies_(frequencies),
      settings_(settings),
      index_(tables),
      errorRates_(settings.locusErrorRates.empty()
                      ? std::vector<double>(static_cast<size_t>(tables.loci), settings.errorRate)
                      : settings.locusErrorRates) {
  const int64_t mothers = tables.mothers;
  const int64_t fathers = static_cast<int64_t>(tables.parents.size()) - mothers;
  motherPrior_ = logPrior(settings.sampledMothers, mothers);
  motherUnsampled_ = logUnsampled(settings.sampledMothers);
  fatherPrior_ = logPrior(settings.sampledFathers, fathers);
  fatherUnsampled_ = logUnsampled(settings.sampledFathers);
  const size_t width = 2 * static_cast<size_t>(tables.loci);
  alleles_.reserve(tables.parents.size() * width);
  for (const std::vector<int>& row : tables.parents) {
    alleles_.insert(alleles_.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(width));
  }
  codeAlleles();
}

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

double OffspringRanker::fastTrio(int32_t motherSlot, int32_t fatherSlot, double singles) {
  const uint8_t* mother = statesOf(motherSlot);
  const uint8_t* father = statesOf(fatherSlot);
  const int32_t* heterozygous = heterozygous_.data();
  const double count = static_cast<double>(heterozygous_.size());
  // At a homozygous locus the trio ratio is the product of the single
  // ratios; at a heterozygous one, that product times 2 (pA qB + pB qA),
  // p and q each parent's shares. Where the parents are read by genotype,
  // the few states a locus takes get their pairs' factors once.
  if (useCodes_ && !genotypeCodes_.empty()) {
    if (!interactionsReady_) fillInteractions();
    const double* interactions = interactions_.data();
    return singles + kLn2 * count +
           fastLogOfProduct(heterozygous_.size(), [&](size_t h) {
             const size_t k = static_cast<size_t>(heterozygous[h]);
             return interactions[(h * kParentStates + mother[k]) * kParentStates + father[k]];
           });
  }
  const double* shareA = shareA_.data();
  const double* shareB = shareB_.data();
  const auto ratio = [&](size_t h) {
    const size_t k = static_cast<size_t>(heterozygous[h]);
    return interaction(shareA, shareB, h * kParentStates + mother[k], h * kParentStates + father[k]);
  };
  return singles + fastLogOfProduct(heterozygous_.size(), ratio) + kLn2 * count;
}

void OffspringRanker::fillInteractions() {
  interactions_.resize(heterozygous_.size() * kParentStates * kParentStates);
  for (size_t h = 0; h < heterozygous_.size(); ++h) {
    const size_t k = static_cast<size_t>(heterozygous_[h]);
    const size_t genotypes = genotypes_[static_cast<size_t>(loci_[k].locus)].size();
    const uint8_t* states = &genotypeStates_[k * kGenotypesPerLocus];
    for (size_t g = 0; g < genotypes; ++g) {
      for (size_t u = 0; u < genotypes; ++u) {
        interactions_[(h * kParentStates + states[g]) * kParentStates + states[u]] =
            interaction(shareA_.data(), shareB_.data(), h * kParentStates + states[g],
                        h * kParentStates + states[u]);
      }
    }
  }
  interactionsReady_ = true;
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

double OffspringRanker::scoreTrio(int32_t motherSlot, int32_t fatherSlot,
                                  int32_t* mismatches) const {
  const uint8_t* mother = statesOf(motherSlot);
  const uint8_t* father = statesOf(fatherSlot);
  LodSum lod;
  *mismatches = 0;
  for (size_t k = 0; k < loci_.size(); ++k) {
    const LocusStates& states = statesAt(k);
    const Transmission& m = states.sent[mother[k]];
    const Transmission& f = states.sent[father[k]];
    lod.add(trioRatio(loci_[k], m, f));
    *mismatches += trioMismatch(m, f);
  }
  return lod.total();
}

int32_t OffspringRanker::nearDistance(int32_t row) const {
  const int* parent = allelesOf(row);
  int64_t near = 0;
  for (int32_t k = 0; k < tables_.loci; ++k) {
    if (!locusTyped(offspring_, k, tables_.missing) || !locusTyped(parent, k, tables_.missing)) {
      continue;
    }
    int64_t nearTerm = 0;
    int64_t farTerm = 0;
    locusTerms(offspring_[2 * k], offspring_[2 * k + 1], parent[2 * k], parent[2 * k + 1],
               &nearTerm, &farTerm);
    near += nearTerm;
  }
  return saturateToInt32(near);
}

double OffspringRanker::pickBest(const std::vector<Scored>& scored, BestCandidate& best,
                                 bool isMother, double logPrior, double logUnsampled) const {
  TopTwo top;
  const Scored* winner = nullptr;
  for (const Scored& s : scored) {
    if (top.offer(s.lod, s.row)) winner = &s;
  }
  best = BestCandidate();
  if (winner == nullptr) return kMinusInfinity;
  const double logSum = logSumOf(scored, top.best, [](const Scored& s) { return s.lod; });
  best.found = true;
  (isMother ? best.mother : best.father) = winner->row;
  if (top.hasSecond) {
    (isMother ? best.runnerUpMother : best.runnerUpFather) = static_cast<int32_t>(top.secondKey);
  }
  best.lod = top.best;
  best.delta = top.delta();
  best.posterior = posteriorOf(logPrior + top.best, logAdd(logPrior + logSum, logUnsampled));
  best.mismatches = mismatchesIn(winner->slot);
  best.near = nearDistance(winner->row);
  return logSum;
}

void OffspringRanker::rank(size_t offspring, int32_t knownMother, OffspringRanking& out) {
  // The filter knows the table's offspring, not genotypes ranked alone.
  filtered_ = filter_ != nullptr ? static_cast<int64_t>(offspring) : -1;
  rankRow(tables_.offspring[offspring].data(), knownMother, out);
  filtered_ = -1;
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

void OffspringRanker::rankRow(const int* offspringRow, int32_t knownMother,
                              OffspringRanking& out) {
  offspring_ = offspringRow;
  offspringLoci(offspring_, tables_.missing, frequencies_, loci_);
  const int32_t limit = settings_.limitFor(loci_.size());
  rankWithin(limit, knownMother, out);
  // A true parent with more mismatching loci than the first K leaves its
  // offspring without a strict pair (an unrelated candidate rarely makes
  // one) while its other parent is called strict on its own: only those
  // offspring pay for the wider scope. An offspring with neither parent
  // called (mostly one unrelated to every candidate) is left as it is.
  const int32_t wider = settings_.widerLimitFor(loci_.size());
  const auto called = [](const BestCandidate& best) {
    return best.call == Call::Strict || best.call == Call::Known;
  };
  if (wider > limit && out.pair.call != Call::Strict && (called(out.mother) || called(out.father))) {
    rankWithin(wider, knownMother, out);
  }
}

void OffspringRanker::rankWithin(int32_t limit, int32_t knownMother, OffspringRanking& out) {
  index_.scope(offspring_, limit, scope_);
  if (filtered_ >= 0) filter_->keep(static_cast<size_t>(filtered_), scope_);
  if (!scope_.empty() || knownMother >= 0) prepareLoci();
  mothers_.clear();
  fathers_.clear();
  scoreScope();
  // The best two of each role show their LODs (with a known mother, the best
  // two besides her).
  makeExact(mothers_, knownMother < 0 ? 2 : 3);
  makeExact(fathers_, 2);
  out = OffspringRanking();
  out.lociTyped = static_cast<int32_t>(loci_.size());
  out.maxMismatches = limit;
  out.mothersScored = static_cast<int32_t>(mothers_.size());
  out.fathersScored = static_cast<int32_t>(fathers_.size());
  if (knownMother < 0) {
    const double logMothers = pickBest(mothers_, out.mother, true, motherPrior_, motherUnsampled_);
    const double logFathers = pickBest(fathers_, out.father, false, fatherPrior_, fatherUnsampled_);
    searchPairs(logMothers, logFathers, out);
  } else {
    rankKnownMother(knownMother, out);
    rankFathersGiven(knownMother, static_cast<int32_t>(scope_.size()), out);
  }
  call(out, settings_.thresholds, settings_.minDelta);
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

void OffspringRanker::rankKnownMother(int32_t knownMother, OffspringRanking& out) {
  // The known mother is reported whatever her score, against the other
  // mothers in scope (she counts among them whether in scope or not).
  out.knownMother = true;
  // Her states go to the slot after the candidates'.
  Scored mother = scoreSingle(knownMother, static_cast<int32_t>(scope_.size()));
  mother.lod = exactLod(mother.slot);
  TopTwo others;
  double logSum = mother.lod;
  for (const Scored& s : mothers_) {
    if (s.row == knownMother) continue;
    others.offer(s.lod, s.row);
    logSum = logAdd(logSum, s.lod);
  }
  out.mother.found = true;
  out.mother.mother = knownMother;
  out.mother.runnerUpMother = others.hasBest ? static_cast<int32_t>(others.bestKey) : -1;
  out.mother.lod = mother.lod;
  out.mother.delta = mother.lod - std::max(others.hasBest ? others.best : 0.0, 0.0);
  out.mother.posterior = posteriorOf(motherPrior_ + mother.lod,
                                     logAdd(motherPrior_ + logSum, motherUnsampled_));
  out.mother.mismatches = mismatchesIn(mother.slot);
  out.mother.near = nearDistance(knownMother);
}

void OffspringRanker::call(OffspringRanking& r, const RoleThresholds& t, double minDelta) {
  const auto callOn = [minDelta](BestCandidate& best, const CallThresholds& level) {
    if (best.found) best.call = callOf(best.lod, best.delta, best.posterior, level, minDelta);
  };
  if (!r.knownMother) {
    callOn(r.mother, t.mother);
    callOn(r.father, t.father);
    callOn(r.pair, t.pair);
    return;
  }
  r.mother.call = Call::Known;
  callOn(r.father, t.fatherGivenMother);
  callOn(r.pair, t.fatherGivenMother);
  if (r.father.found) r.pair.call = lessSure(r.pair.call, r.father.call);
}

void OffspringRanker::searchPairs(double logMothers, double logFathers, OffspringRanking& out) {
  out.pair = BestCandidate();
  if (mothers_.empty() || fathers_.empty()) return;
  const auto byLod = [](const Scored& x, const Scored& y) {
    return ranksBefore(x.lod, x.row, y.lod, y.row);
  };
  // The pairs of the best few mothers are scored first; the fathers are
  // weighed by falling LOD, so that each mother's list can stop early.
  const size_t firstMothers = std::min(kFirstPairs, mothers_.size());
  std::partial_sort(mothers_.begin(), mothers_.begin() + static_cast<std::ptrdiff_t>(firstMothers),
                    mothers_.end(), byLod);
  fatherOrder_.sort(fathers_, byLod);
  TopTwo top;
  const int64_t rows = static_cast<int64_t>(tables_.parents.size());
  std::vector<double>& scored = pairsScored_;
  scored.clear();
  // With three candidates or fewer of each sex every pair is scored; else
  // the pairs get bounds.
  const bool bounded = mothers_.size() > kFirstPairs || fathers_.size() > kFirstPairs;
  if (bounded) {
    locusBounds_.resize(loci_.size());
    for (size_t k = 0; k < loci_.size(); ++k) {
      if (loci_[k].a == loci_[k].b) continue;
      if (tablesAt_.empty() || tablesAt_[k] == nullptr) {
        for (int state : kHeterozygousStates) ensureState(k, state);
        locusBounds_[k] = PairBounds::boundAt(loci_[k], locusStates_[k]);
      } else {
        locusBounds_[k] = tablesAt_[k]->bound;
      }
    }
    bounds_.start(loci_, locusBounds_);
    for (size_t slot = 0; slot < scope_.size(); ++slot) {
      bounds_.add(statesOf(static_cast<int32_t>(slot)));
    }
  }
  const auto sideOf = [bounded](const std::vector<Scored>& candidates, std::vector<int32_t>& slots,
                         std::vector<double>& lods, std::vector<double>& ratios) {
    slots.clear();
    lods.clear();
    ratios.clear();
    for (const Scored& c : candidates) {
      slots.push_back(c.slot);
      lods.push_back(c.lod);
      ratios.push_back(bounded ? std::exp(c.lod - candidates[0].lod) : 0.0);
    }
    return PairBounds::Side{slots.data(), lods.data(), ratios.data(), candidates.size()};
  };
  const PairBounds::Side mothers = sideOf(mothers_, motherSlots_, motherLods_, motherRatios_);
  const PairBounds::Side fathers = sideOf(fathers_, fatherSlots_, fatherLods_, fatherRatios_);
  // Weights relative to e^reference: the pairs left unscored by their
  // bound, those scored by their trio LOD.
  const double reference = mothers_[0].lod + fathers_[0].lod;
  double unscored = 0.0;
  // Pairs are scored with a fast trio LOD; the few that could be best or
  // runner-up get the exact one at the end.
  pairsTried_.clear();
  const auto score = [&](size_t i, size_t j, double weight) {
    const double lod = fastTrio(mothers_[i].slot, fathers_[j].slot, mothers_[i].lod + fathers_[j].lod);
    scored.push_back(lod);
    // Field by field: a whole Pair built on the stack and copied stalls on
    // store forwarding.
    PairBounds::Pair& tried = pairsTried_.emplace_back();
    tried.bound = lod;
    tried.weight = 0.0;
    tried.mother = static_cast<int32_t>(i);
    tried.father = static_cast<int32_t>(j);
    unscored -= weight;
    top.offer(lod, mothers_[i].row * rows + fathers_[j].row);
  };
  const size_t first = std::min(kFirstPairs, std::max(mothers_.size(), fathers_.size()));
  const auto isFirst = [first](size_t i, size_t j) { return i < first && j < first; };
  for (size_t i = 0; i < std::min(first, mothers_.size()); ++i) {
    for (size_t j = 0; j < std::min(first, fathers_.size()); ++j) {
      if (pairWanted(mothers_[i].row, fathers_[j].row)) {
        score(i, j, bounded ? bounds_.weightOf(mothers, i, fathers, j) : 0.0);
      }
    }
  }
  // Every other pair whose bound reaches what could still be runner-up or
  // weigh in the posterior, scored by falling bound; the threshold only
  // rises as pairs are scored, so the one pass finds all of them.
  const auto threshold = [&top]() {
    return top.hasSecond ? std::min(top.second, top.best - kNegligibleLod) - kBoundSlack
                         : kMinusInfinity;
  };
  pairsLeft_.clear();
  if (bounded) {
    // A pair whose product is under 1e-12 of the best pair's weight found so far
    // moves no posterior: those that cannot reach the threshold either are
    // left out of the sum.
    const double negligible =
        kNegligibleShare * std::exp(std::min(0.0, (top.hasBest ? top.best : reference) - reference));
    unscored += bounds_.weighAll(mothers, fathers, threshold(), negligible, pairsLeft_);
  }
  // Hermaphrodites: a pair's mirror (or a self, without selfing) is no pair
  // of its own and takes no part in the posterior either.
  if (bounded && settings_.hermaphrodites) {
    for (size_t i = 0; i < mothers_.size(); ++i) {
      for (size_t j = 0; j < fathers_.size(); ++j) {
        if (!pairWanted(mothers_[i].row, fathers_[j].row)) {
          unscored -= bounds_.weightOf(mothers, i, fathers, j);
        }
      }
    }
  }
  // By falling bound, in steps of 1/kOrderSteps of the bounds' range (within
  // a step, the order the pairs came in: by mother, then father), by a
  // counting sort: a heap's branches cost more than the few pairs a step
  // lets through early. Each pair's own bound is tested too.
  double highest = 0.0;
  double perStep = 0.0;
  if (!pairsLeft_.empty()) {
    highest = pairsLeft_[0].bound;
    double lowest = highest;
    for (const PairBounds::Pair& p : pairsLeft_) {
      highest = std::max(highest, p.bound);
      lowest = std::min(lowest, p.bound);
    }
    perStep = highest > lowest ? static_cast<double>(kOrderSteps) / (highest - lowest) : 0.0;
    countingOrder(
        pairsLeft_.size(), kOrderSteps,
        [&](size_t k) {
          const double below = (highest - pairsLeft_[k].bound) * perStep;
          return std::min(static_cast<size_t>(below), kOrderSteps - 1);
        },
        stepEnds_, pairOrder_);
  }
  size_t next = 0;
  for (size_t step = 0; step < kOrderSteps && next < pairsLeft_.size(); ++step) {
    // A step lies wholly below the threshold once the threshold is a step
    // above its top: (highest - bound) * perStep >= step for its pairs.
    if ((highest - threshold()) * perStep + 1.0 < static_cast<double>(step)) break;
    for (; next < stepEnds_[step]; ++next) {
      const PairBounds::Pair& p = pairsLeft_[pairOrder_[next]];
      if (p.bound < threshold()) continue;
      const size_t i = static_cast<size_t>(p.mother);
      const size_t j = static_cast<size_t>(p.father);
      if (!isFirst(i, j) && pairWanted(mothers_[i].row, fathers_[j].row)) score(i, j, p.weight);
    }
  }
  if (!top.hasBest) return;  // hermaphrodites: a lone individual, no selfing
  const double cut = (top.hasSecond ? top.second : top.best) - kFastLodSlack;
  top = TopTwo();
  for (const PairBounds::Pair& p : pairsTried_) {
    if (p.bound < cut) continue;
    const Scored& m = mothers_[static_cast<size_t>(p.mother)];
    const Scored& f = fathers_[static_cast<size_t>(p.father)];
    int32_t mismatches = 0;
    const double lod = scoreTrio(m.slot, f.slot, &mismatches);
    if (top.offer(lod, m.row * rows + f.row)) {
      out.pair.mother = m.row;
      out.pair.father = f.row;
      out.pair.mismatches = mismatches;
    }
  }
  out.pair.found = true;
  out.pair.lod = top.best;
  out.pair.delta = top.delta();
  if (top.hasSecond) {
    out.pair.runnerUpMother = static_cast<int32_t>(top.secondKey / rows);
    out.pair.runnerUpFather = static_cast<int32_t>(top.secondKey % rows);
  }
  // Every pair's trio ratio summed, relative to e^top (which keeps the sums
  // inside the range of a double).
  const double topLod = std::max(top.best, reference);
  double pairs = std::max(unscored, 0.0) * std::exp(reference - topLod);
  for (double trio : scored) pairs += std::exp(trio - topLod);
  const double logPairs = std::log(std::max(pairs, std::exp(top.best - topLod))) + topLod;
  double logTotal = logAdd(motherPrior_ + fatherPrior_ + logPairs,
                           motherPrior_ + fatherUnsampled_ + logMothers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherPrior_ + logFathers);
  logTotal = logAdd(logTotal, motherUnsampled_ + fatherUnsampled_);
  out.pair.posterior = posteriorOf(motherPrior_ + fatherPrior_ + top.best, logTotal);
}

void OffspringRanker::rankFathersGiven(int32_t mother, int32_t motherSlot,
                                       OffspringRanking& out) {
  if (fathers_.empty()) return;
  TopTwo top;
  const Scored* winner = nullptr;
  double winnerTrio = 0.0;
  int32_t winnerPairMismatches = 0;
  givens_.clear();
  for (const Scored& s : fathers_) {
    // A known mother's pair has her as the seed parent: any father, herself
    // included unless selfing is off.
    if (settings_.hermaphrodites && !settings_.selfing && individual(s.row) == individual(mother)) {
      continue;
    }
    int32_t mismatches = 0;
    const double trio = scoreTrio(motherSlot, s.slot, &mismatches);
    const double given = trio - out.mother.lod;
    givens_.push_back(given);
    if (top.offer(given, s.row)) {
      winner = &s;
      winnerTrio = trio;
      winnerPairMismatches = mismatches;
    }
  }
  if (winner == nullptr) return;
  const double logSum = logSumOf(givens_, top.best, [](double given) { return given; });
  out.father.found = true;
  out.father.father = winner->row;
  out.father.runnerUpFather = top.hasSecond ? static_cast<int32_t>(top.secondKey) : -1;
  out.father.lod = top.best;
  out.father.delta = top.delta();
  out.father.posterior = posteriorOf(fatherPrior_ + top.best,
                                     logAdd(fatherPrior_ + logSum, fatherUnsampled_));
  out.father.mismatches = mismatchesIn(winner->slot);
  out.father.near = nearDistance(winner->row);
  out.pair.found = true;
  out.pair.mother = mother;
  out.pair.father = winner->row;
  if (top.hasSecond) {
    out.pair.runnerUpMother = mother;
    out.pair.runnerUpFather = out.father.runnerUpFather;
  }
  out.pair.lod = winnerTrio;
  out.pair.delta = out.father.delta;
  out.pair.posterior = out.father.posterior;
  out.pair.mismatches = winnerPairMismatches;
}
