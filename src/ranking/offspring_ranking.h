#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/allele_frequencies.h"
#include "ranking/candidate_filter.h"
#include "ranking/carrier_index.h"
#include "ranking/genotype_tables.h"
#include "ranking/likelihood_ratio.h"
#include "ranking/table_options.h"

// The pair search scores every pair of the kPairCandidates best mothers and
// the kPairCandidates best fathers by single LOD. At each locus a trio ratio is
// at most twice the product of the two single ratios (exactly the product at a
// homozygous locus), so a pair's trio LOD never exceeds the sum of its single
// LODs by more than ln 2 per heterozygous locus: a parent ranked below the
// eighth by single LOD rarely makes the best pair, and such an offspring's
// pair call is then rarely confident anyway.
constexpr size_t kPairCandidates = 8;

// The best candidate of one role: a mother, a father or a pair (both rows).
struct BestCandidate {
  bool found = false;
  int32_t mother = -1;  // parent rows
  int32_t father = -1;
  double lod = 0.0;
  double delta = 0.0;  // lod minus the runner-up's, lod when alone
  int32_t mismatches = 0;
  int32_t near = 0;  // single candidates: the near distance of the radius
};

struct OffspringRanking {
  int32_t lociTyped = 0;
  int32_t mothersScored = 0;
  int32_t fathersScored = 0;
  bool knownMother = false;  // mother fixed by the user, father ranked given her
  BestCandidate mother;
  BestCandidate father;
  BestCandidate pair;
};

// Ranks the candidate parents of one offspring at a time. Ties in LOD go to
// the parent (or pair) earlier in the parents table, so results never depend
// on the order of the search.
class OffspringRanker {
 public:
  // Keeps references to all three; they must outlive the ranker.
  OffspringRanker(const GenotypeTables& tables, const AlleleFrequencies& frequencies,
                  const RankingSettings& settings);

  // Ranks offspring row `offspring`. `knownMother` is a mother's row, or -1.
  void rank(size_t offspring, int32_t knownMother, OffspringRanking& out);

  // From now on, only the candidates `filter` keeps are scored (null: all).
  // It must outlive the ranker.
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
  Scored scoreSingle(int32_t row) const;
  double scoreTrio(const std::vector<Transmission>& mother, const std::vector<Transmission>& father,
                   int32_t* mismatches) const;
  void transmissions(int32_t row, std::vector<Transmission>& out) const;
  void pickBest(const std::vector<Scored>& scored, BestCandidate& best, bool isMother) const;
  void searchPairs(OffspringRanking& out);
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
  std::vector<std::vector<Transmission>> motherSides_;
  std::vector<std::vector<Transmission>> fatherSides_;
};
