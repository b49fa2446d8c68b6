#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/allele_frequencies.h"
#include "ranking/call.h"
#include "ranking/candidate_filter.h"
#include "ranking/carrier_index.h"
#include "ranking/falling_lod_order.h"
#include "ranking/genotype_tables.h"
#include "ranking/likelihood_ratio.h"
#include "ranking/pair_bounds.h"
#include "ranking/single_kernels.h"
#include "ranking/table_options.h"

// The best candidate of one role: a mother, a father or a pair (both rows).
// delta is the LOD minus the runner-up's, where the runner-up is the second
// best scored candidate or an unsampled (unrelated) parent, whose LOD is 0,
// whichever scores higher: a lone candidate's delta is its LOD, and a delta
// never exceeds a positive LOD. Candidates outside the mismatch scope are not
// scored: with more than K loci sharing no allele they could only rarely
// outscore an unrelated parent.
// posterior is the chance that this candidate is the parent given the scored
// candidates and the sampled shares (see OffspringRanker).
struct BestCandidate {
  bool found = false;
  int32_t mother = -1;  // parent rows
  int32_t father = -1;
  double lod = 0.0;
  double delta = 0.0;
  double posterior = 0.0;
  Call call = Call::Unlikely;
  int32_t runnerUpMother = -1;  // the second best candidate's rows, -1 when none
  int32_t runnerUpFather = -1;
  int32_t mismatches = 0;
  int32_t near = 0;  // single candidates: the near distance of the radius
};

struct OffspringRanking {
  int32_t lociTyped = 0;
  int32_t mothersScored = 0;
  int32_t fathersScored = 0;
  bool knownMother = false;  // mother fixed by the user, father ranked given her
  int32_t maxMismatches = 0;  // the K the scope used
  BestCandidate mother;
  BestCandidate father;
  BestCandidate pair;
};

// Ranks the candidate parents of one offspring at a time. Ties in LOD go to
// the parent (or pair) earlier in the parents table, so results never depend
// on the order of the search.
//
// The best pair is the one with the highest trio LOD among all pairs of
// scored candidates. A pair's trio LOD is the sum of its two single LODs plus
// what the pair adds at the offspring's heterozygous loci; PairBounds bounds
// that from how each parent leans towards one of the offspring's alleles, at
// a few instructions a pair. Pairs are scored exactly by falling bound until
// the bound falls below both the runner-up and the best pair's LOD less 12:
// no pair left could be best or runner-up, or weigh more than e^-12 of the best.
//
// Posteriors: each of the N candidate mothers in the parents table is the
// mother beforehand with chance P/N (P, the sampled share), an unsampled
// mother with 1 - P and a likelihood ratio of 1. A mother's posterior is her
// weighted ratio over the sum of those of the scored mothers and the
// unsampled one; fathers likewise, given the known mother when there is one
// (then the pair's posterior is the father's). A pair's posterior weighs it
// against every pair of scored candidates, a sampled mother with an unsampled
// father (her single ratio), the reverse, and neither (ratio 1). Pairs the
// search did not score count with the product of their single ratios, which
// is what a trio ratio averages over unrelated parents, or with their bound
// when that is lower; a pair is left unscored only where its bound is at most
// e^-12 of the best pair.
class OffspringRanker {
 public:
  // Keeps references to all three; they must outlive the ranker.
  OffspringRanker(const GenotypeTables& tables, const AlleleFrequencies& frequencies,
                  const RankingSettings& settings);

  // Ranks offspring row `offspring`. `knownMother` is a mother's row, or -1.
  void rank(size_t offspring, int32_t knownMother, OffspringRanking& out);
  // Ranks any offspring genotype: `offspringRow` holds 2 * loci alleles (the
  // missing code where untyped) and must stay valid during the call.
  void rankRow(const int* offspringRow, int32_t knownMother, OffspringRanking& out);

  // Sets the calls of `ranking` from its LODs, deltas and posteriors; a known
  // mother's pair is never called surer than her father.
  static void call(OffspringRanking& ranking, const RoleThresholds& thresholds, double minDelta);

  // From now on, only the candidates `filter` keeps are scored by rank()
  // (null: all); rankRow() scores every candidate. It must outlive the ranker.
  void restrictTo(const CandidateFilter* filter) { filter_ = filter; }

  // Gives every scored candidate its exact LOD, for outputs that show them
  // all; by default only the LODs the ranking shows are exact, the others
  // within 1e-7 of it.
  void scoreEveryCandidateExactly(bool exact) { exactSingles_ = exact; }

  // A scored candidate: its parents-table row, its own LOD, its loci sharing
  // no allele with the offspring (counted where shown: -1 in the ranking's
  // own lists, set for all by scoreEveryCandidateExactly).
  struct Scored {
    int32_t row;
    double lod;
    int32_t mismatches;
    int32_t slot;  // where its states are kept while this offspring is ranked
  };
  // After rank(): the candidates scored for that offspring, in any order.
  const std::vector<Scored>& scoredMothers() const { return mothers_; }
  const std::vector<Scored>& scoredFathers() const { return fathers_; }
  // After rank(): the near distance of parent `row` to that offspring.
  int32_t nearDistance(int32_t row) const;

 private:
  // Ranks the offspring set by rankRow() with the candidates within `limit`
  // mismatching loci.
  void rankWithin(int32_t limit, int32_t knownMother, OffspringRanking& out);
  // Scores every candidate in scope_, each in the slot of its place there,
  // into mothers_ and fathers_ in scope order.
  void scoreScope();
  // Keeps the candidate's states in `slot`; its LOD is a fast one.
  Scored scoreSingle(int32_t row, int32_t slot);
  template <typename Allele>
  Scored scoreOn(const Allele* parent, const Allele* offspring, Allele missing, int32_t row,
                 int32_t slot);
  // Codes the parents' alleles in a byte each where every locus has few
  // enough alleles: a candidate's row then takes a quarter of the cache.
  void codeAlleles();
  // Readies the offspring's loci for its candidates; their states' tables
  // are filled as candidates come (fillState), only for states met.
  void prepareLoci();
  void fillState(size_t k, int state);
  // The most genotypes a locus of a panel read by genotype has.
  static constexpr size_t kGenotypesPerLocus = 16;
  // Every state's tables of typed locus k, kept per locus and offspring
  // genotype (tableKeys_ holds each one's a and b): those met before, or
  // filled now; null when the locus keeps kTablesPerLocus genotypes already.
  struct LocusTables {
    LocusStates states;
    double singles[kParentStates];
    double shareA[kParentStates];
    double shareB[kParentStates];
    PairBounds::LocusBound bound;  // heterozygous offspring only
    // Per genotype of the parents at the locus, its state and single ratio.
    uint8_t genotypeStates[kGenotypesPerLocus];
    double genotypeRatios[kGenotypesPerLocus];
  };
  const LocusTables* tablesFor(size_t k);
  // What each state transmits at typed locus k: from its kept tables when it
  // has them (not copied for every offspring), else filled by fillState().
  const LocusStates& statesAt(size_t k) const {
    return !tablesAt_.empty() && tablesAt_[k] != nullptr ? tablesAt_[k]->states : locusStates_[k];
  }
  static constexpr size_t kTablesPerLocus = 8;
  static constexpr uint16_t kEveryState = (1u << kParentStates) - 1;
  void ensureState(size_t k, int state) {
    if (!(ready_[k] >> state & 1u)) fillState(k, state);
  }
  Scored scoreGenotypes(int32_t row, int32_t slot);
  // Readies the singles' kernel's tables where the processor and the panel
  // allow it (singlesKernel_).
  void prepareGenotypeKernel();
  // The loci where the candidate in `slot` shares no allele with the offspring.
  int32_t mismatchesIn(int32_t slot) const;
  uint8_t codeOf(size_t locus, int32_t allele) const;
  // A pair's trio LOD within 1e-7 of scoreTrio's, faster: `singles` is the
  // sum of the two single LODs.
  double fastTrio(int32_t motherSlot, int32_t fatherSlot, double singles);
  // Fills interactions_ for the states the parents' genotypes take.
  void fillInteractions();
  // The exact LOD of the candidate in `slot`: its ratios summed as LodSum does.
  double exactLod(int32_t slot) const;
  // Gives the exact LOD to every candidate that could be among the first
  // `shown` (at most 4) by it; to all of them with scoreEveryCandidateExactly.
  void makeExact(std::vector<Scored>& scored, size_t shown) const;
  double scoreTrio(int32_t motherSlot, int32_t fatherSlot, int32_t* mismatches) const;
  const uint8_t* statesOf(int32_t slot) const {
    return states_.data() + static_cast<size_t>(slot) * loci_.size();
  }
  // The states of the candidate in `slot`, room made for them.
  uint8_t* slotStates(int32_t slot) {
    const size_t first = static_cast<size_t>(slot) * loci_.size();
    if (states_.size() < first + loci_.size()) states_.resize(first + loci_.size());
    return states_.data() + first;  // no element when no locus is typed
  }
  // Sets `best` from `scored`; returns ln of the sum of their ratios.
  double pickBest(const std::vector<Scored>& scored, BestCandidate& best, bool isMother,
                  double logPrior, double logUnsampled) const;
  // logMothers, logFathers: ln of the sums of the scored single ratios.
  void searchPairs(double logMothers, double logFathers, OffspringRanking& out);
  void rankKnownMother(int32_t knownMother, OffspringRanking& out);
  void rankFathersGiven(int32_t mother, int32_t motherSlot, OffspringRanking& out);
  // The individual behind parent `row`: the row itself, or for
  // hermaphrodites its row among the mothers.
  int32_t individual(int32_t row) const {
    return settings_.hermaphrodites && row >= tables_.mothers ? row - tables_.mothers : row;
  }
  // False for a pair scored already the other way round, and for a self
  // when selfing is off.
  bool pairWanted(int32_t mother, int32_t father) const {
    if (!settings_.hermaphrodites) return true;
    const int32_t m = individual(mother);
    const int32_t f = individual(father);
    return m < f || (m == f && settings_.selfing);
  }

  const GenotypeTables& tables_;
  const AlleleFrequencies& frequencies_;
  const RankingSettings& settings_;
  CarrierIndex index_;
  std::vector<double> errorRates_;  // per locus
  const CandidateFilter* filter_ = nullptr;
  bool exactSingles_ = false;
  int64_t filtered_ = -1;  // the offspring rank() is filtering for, or -1
  // The parents' alleles row after row in one block, 2 * loci a row: the
  // candidates of an offspring are scattered over the table, and rows kept
  // apart would cost a cache miss or more each.
  std::vector<int> alleles_;
  const int* allelesOf(int32_t row) const {
    return &alleles_[static_cast<size_t>(row) * 2 * static_cast<size_t>(tables_.loci)];
  }
  // The parents' alleles coded per locus, numbered by size, or empty; an
  // allele no parent carries is kAbsentCode. A locus whose sizes span fewer
  // than kDenseAlleleSpan values keeps a code per value, others the sorted
  // values (the code is the position).
  static constexpr size_t kLastAlleleCode = 253;
  static constexpr uint8_t kAbsentCode = 254;
  static constexpr uint8_t kMissingCode = 255;
  static constexpr int64_t kDenseAlleleSpan = 1 << 16;
  struct AlleleCodeBook {
    int32_t low = 0;
    std::vector<uint8_t> dense;
    std::vector<int32_t> values;
  };
  std::vector<AlleleCodeBook> alleleCodeBooks_;
  std::vector<uint8_t> alleleCodes_;
  // Where no locus has more than kGenotypesPerLocus genotypes among the
  // parents: each parent's genotype per locus as a number, the genotypes
  // per locus, and per offspring the state and single ratio of each.
  std::vector<uint8_t> genotypeCodes_;
  std::vector<std::vector<std::pair<int32_t, int32_t>>> genotypes_;
  std::vector<uint8_t> genotypeStates_;
  std::vector<double> genotypeRatios_;
  // Whether every locus has at most kKernelGenotypes genotypes; the kernel
  // that scores this offspring's candidates (null: scoreSingle), and its
  // tables. The codes are padded with kCodesPadding bytes for it.
  bool fewGenotypes_ = false;
  using SinglesKernel = void (*)(const uint8_t* const*, const GenotypeSingles&,
                                 uint8_t* const*, ScaledProduct*);
  SinglesKernel singlesKernel_ = nullptr;
  GenotypeSingles kernelSingles_{};
  std::vector<double> kernelRatios_;
  std::vector<uint8_t> kernelStates_;
  std::vector<uint8_t> kernelPlaces_;
  std::vector<uint8_t> kernelShuffles_;
  std::vector<uint8_t> spareStates_;
  // The offspring being ranked, and buffers reused between offspring.
  std::vector<int32_t> offspringAlleles_;  // a, b per typed locus
  std::vector<uint8_t> offspringCodes_;    // the same, coded
  const int* offspring_ = nullptr;
  std::vector<OffspringLocus> loci_;
  std::vector<LocusStates> locusStates_;
  std::vector<uint8_t> states_;  // per scored candidate (its slot), a state per typed locus
  std::vector<int32_t> scope_;
  std::vector<Scored> mothers_;
  std::vector<Scored> fathers_;
  FallingLodOrder<Scored> fatherOrder_;
  PairBounds bounds_;
  std::vector<PairBounds::Pair> pairsLeft_;
  std::vector<uint32_t> pairOrder_;  // pairsLeft_ by falling bound, in steps (searchPairs)
  std::vector<size_t> stepEnds_;    // where each step of pairOrder_ ends
  std::vector<int32_t> motherSlots_;  // the sorted candidates, as PairBounds takes them
  std::vector<double> motherLods_;
  std::vector<double> motherRatios_;
  std::vector<int32_t> fatherSlots_;
  std::vector<double> fatherLods_;
  std::vector<double> fatherRatios_;
  std::vector<double> pairsScored_;  // the trio LODs of the pairs scored
  std::vector<PairBounds::Pair> pairsTried_;  // the pairs scored, by their fast trio LODs
  std::vector<double> singles_;  // per typed locus and state, the single ratio, packed
  // The typed loci where the offspring is heterozygous, each typed locus's
  // place among them, and per heterozygous locus and state the shares of the
  // single ratio owed to passing a and b.
  std::vector<int32_t> heterozygous_;
  std::vector<int32_t> heterozygousAt_;
  std::vector<double> shareA_;
  std::vector<double> shareB_;
  // Per heterozygous locus and pair of states, the factor fastTrio() takes
  // there, where the parents are read by genotype; filled at its first call.
  std::vector<double> interactions_;
  bool interactionsReady_ = false;
  std::vector<uint16_t> ready_;  // per typed locus, the states whose tables are filled
  std::vector<std::vector<LocusTables>> tablesByLocus_;  // per locus (tablesFor)
  std::vector<std::vector<uint64_t>> tableKeys_;  // per locus, each table's a and b
  std::vector<const LocusTables*> tablesAt_;  // per typed locus, or empty
  std::vector<PairBounds::LocusBound> locusBounds_;  // per typed locus
  // Whether this offspring's candidates are scored from the coded rows: for
  // a handful, coding the offspring would cost more than it saves.
  static constexpr size_t kCodedCandidates = 8;
  bool useCodes_ = false;
  std::vector<double> givens_;  // fathers' LODs given a known mother
  // ln(P/N) and ln(1 - P) of each sex (-inf when P is 1).
  double motherPrior_ = 0.0;
  double motherUnsampled_ = 0.0;
  double fatherPrior_ = 0.0;
  double fatherUnsampled_ = 0.0;
};
