#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/allele_frequencies.h"
#include "ranking/call.h"
#include "ranking/candidate_filter.h"
#include "ranking/carrier_index.h"
#include "ranking/genotype_tables.h"
#include "ranking/likelihood_ratio.h"
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
// scored candidates. At each locus a trio ratio is at most twice the product
// of the two single ratios when the offspring is heterozygous (exactly the
// product when homozygous), so a pair's trio LOD never exceeds the sum of
// its single LODs plus ln 2 per heterozygous locus; the search goes through
// mothers and fathers by falling single LOD and stops where that bound falls
// below the runner-up found so far: no pair left could be best or runner-up.
// A pair is skipped, too, when a tighter bound falls below it: per locus, a
// trio ratio is at most one parent's single ratio times the larger of the
// ratios the other could give through one allele alone.
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
// is what a trio ratio averages over unrelated fathers, or with their bound
// when that is lower; a pair is left unscored only where it weighs at most
// e^-9 of the best pair.
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

  // A scored candidate: its parents-table row, its own LOD, its loci sharing
  // no allele with the offspring.
  struct Scored {
    int32_t row;
    double lod;
    int32_t mismatches;
  };
  // After rank(): the candidates scored for that offspring, in any order.
  const std::vector<Scored>& scoredMothers() const { return mothers_; }
  const std::vector<Scored>& scoredFathers() const { return fathers_; }
  // After rank(): the near distance of parent `row` to that offspring.
  int32_t nearDistance(int32_t row) const;

 private:
  // A candidate of the pair search: its transmissions and the bound on its
  // part of a trio LOD (see side()), computed when first needed.
  struct Side {
    bool ready = false;
    std::vector<Transmission> loci;
    double phaseLod = 0.0;
  };
  Scored scoreSingle(int32_t row) const;
  double scoreTrio(const std::vector<Transmission>& mother, const std::vector<Transmission>& father,
                   int32_t* mismatches) const;
  void transmissions(int32_t row, std::vector<Transmission>& out) const;
  // Sets `best` from `scored`; returns ln of the sum of their ratios.
  double pickBest(const std::vector<Scored>& scored, BestCandidate& best, bool isMother,
                  double logPrior, double logUnsampled) const;
  const Side& side(std::vector<Side>& sides, const std::vector<Scored>& scored, size_t i);
  // logMothers, logFathers: ln of the sums of the scored single ratios.
  void searchPairs(double logMothers, double logFathers, OffspringRanking& out);
  void rankKnownMother(int32_t knownMother, OffspringRanking& out);
  void rankFathersGiven(int32_t mother, OffspringRanking& out);
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
  int64_t filtered_ = -1;  // the offspring rank() is filtering for, or -1
  // The parents' alleles row after row in one block, 2 * loci a row: the
  // candidates of an offspring are scattered over the table, and rows kept
  // apart would cost a cache miss or more each.
  std::vector<int> alleles_;
  const int* allelesOf(int32_t row) const {
    return &alleles_[static_cast<size_t>(row) * 2 * static_cast<size_t>(tables_.loci)];
  }
  // The offspring being ranked, and buffers reused between offspring.
  const int* offspring_ = nullptr;
  std::vector<OffspringLocus> loci_;
  std::vector<int32_t> scope_;
  std::vector<Scored> mothers_;
  std::vector<Scored> fathers_;
  struct ScoredPair {
    double trio;     // the pair's trio LOD
    double singles;  // the sum of its single LODs
  };
  std::vector<ScoredPair> pairsScored_;
  std::vector<Transmission> knownSide_;
  std::vector<double> givens_;  // fathers' LODs given a known mother
  std::vector<Transmission> fatherSide_;
  std::vector<Side> motherSides_;
  std::vector<Side> fatherSides_;
  // ln(P/N) and ln(1 - P) of each sex (-inf when P is 1).
  double motherPrior_ = 0.0;
  double motherUnsampled_ = 0.0;
  double fatherPrior_ = 0.0;
  double fatherUnsampled_ = 0.0;
};
