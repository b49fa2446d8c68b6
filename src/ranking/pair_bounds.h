#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ranking/likelihood_ratio.h"
#include "ranking/pair_kernels.h"

// Bounds what a pair adds to its two single LODs: its trio LOD minus both.
//
// At a heterozygous offspring locus ab, let p be the share of a parent's
// single ratio it owes to passing a (1/2 when untyped). The pair's ratio there
// is the product of the single ratios times I = 2 (p (1 - q) + (1 - p) q),
// which is at most 2 where the parents lean to opposite alleles, at most 1
// where they lean the same way (or either does not lean), and near 4e (e, the
// error rate) where both are homozygous-like for the same allele: that is
// where an unrelated pair loses most of its product. Homozygous offspring
// loci add nothing. So a pair adds at most
//   ln(I opposite) * (loci leaning apart) + ln(I same) * (loci where both
//   carry one of a, b only and lean the same way)
// with each constant the largest of its kind over the offspring's loci; each
// candidate carries three bit masks over the heterozygous loci (leans to a,
// leans to b, carries one of a, b only), so a bound is a few instructions.
//
// The same bound weighs the pairs left unscored in a pair's posterior: each
// counts with the product of its single ratios (what a trio ratio averages
// over unrelated parents), times e^bound where the bound is below 0, which for
// an unrelated pair is far closer to its trio ratio than the product alone.
class PairBounds {
 public:
  // A pair of candidates, by their indices in the Sides given to
  // weighAll(), its bound on the trio LOD and its weight there.
  struct Pair {
    double bound;
    double weight;
    int32_t mother;
    int32_t father;
  };
  // The candidates of one sex by falling LOD: slots, single LODs, and
  // e^(lod - lods[0]).
  struct Side {
    const int32_t* slots;
    const double* lods;
    const double* ratios;
    size_t count;
  };

  // What one heterozygous offspring locus gives the bounds: the masks each
  // state sets, and the largest interactions of each kind there.
  struct LocusBound {
    uint8_t codes[kParentStates];
    double opposite;
    double sameStrong;
    double rest;
  };
  static LocusBound boundAt(const OffspringLocus& o, const LocusStates& states);

  // Starts an offspring: `loci` its typed loci, `states` their tables.
  void start(const std::vector<OffspringLocus>& loci, const std::vector<LocusStates>& states);
  // The same from each typed locus's boundAt() (read at heterozygous loci
  // only), for callers that keep them.
  void start(const std::vector<OffspringLocus>& loci, const std::vector<LocusBound>& bounds);
  // Adds the next candidate (slot 0, 1, ...): its state at each typed locus.
  void add(const uint8_t* states);

  // Returns the sum of the weights of every pair of a mother and a father,
  // relative to e^(mothers.lods[0] + fathers.lods[0]): the product of their
  // single ratios, times e^bound where the bound on what the pair adds is
  // below 0. Appends to `reaching` every pair whose bound on the trio LOD is
  // at least `threshold`. Pairs below the threshold whose product is below
  // `negligible` are left out of the sum.
  double weighAll(const Side& mothers, const Side& fathers, double threshold,
                  double negligible, std::vector<Pair>& reaching) const;
  // The weight weighAll() gives pair (i, j), bit for bit.
  double weightOf(const Side& mothers, size_t i, const Side& fathers, size_t j) const;

 private:
  size_t words_ = 0;                 // words per mask
  std::vector<int32_t> heterozygous_;  // the typed loci where the offspring is heterozygous
  std::vector<uint8_t> codes_;       // per heterozygous locus and state: the masks it sets
  std::vector<LocusBound> bounds_;   // start()'s, from the tables
  // For add() by byte permutes and compares: the typed loci, each
  // heterozygous locus's place among them (a byte, padded to whole words),
  // and per word and heterozygous state the bits of each mask it sets.
  size_t typed_ = 0;
  bool permuteStates_ = false;
  std::vector<uint8_t> places_;
  std::vector<uint64_t> planes_;
  std::vector<uint64_t> masks_;      // per slot: leanA, leanB, strong words
  // weighAll()'s fathers' masks, one row per mask word (leanA, leanB, strong)
  // with the fathers side by side, padded with empty masks to a multiple of
  // eight fathers; their ratios, padded with 0; the fathers passing one
  // mother's test.
  mutable std::vector<uint64_t> fatherMasks_;
  mutable std::vector<double> fatherRatios_;
  mutable std::vector<PairHit> hits_;
  double opposite_ = 0.0;            // the largest ln I leaning apart
  double sameStrong_ = 0.0;          // the largest ln I of strong parents leaning alike
  double rest_ = 0.0;                // what all other loci together can add
  // e^(opposite * n) and e^(sameStrong * n + rest), n = 0 .. heterozygous
  // loci, kept within the range of a double. Each is the product of a factor
  // for n % 16 (the low table, 16 entries) and one for n / 16 (the high
  // table, padded to a multiple of 16 entries), so that the vector kernels
  // find them by permuting registers rather than gathering from memory.
  std::vector<double> apartFactor_;
  std::vector<double> alikeFactor_;
  std::vector<double> apartLow_;
  std::vector<double> apartHigh_;
  std::vector<double> alikeLow_;
  std::vector<double> alikeHigh_;
  bool factorsInRange_ = true;  // no factor above needed clampFactor()
};
