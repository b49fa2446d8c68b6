#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "ranking/allele_frequencies.h"

// The per-locus likelihood ratios of parentage against two unrelated parents.
// An observed offspring allele is its true allele with probability 1 - e (e,
// the typing-error rate), otherwise any allele drawn from the frequencies. A
// heterozygous parent passes each allele with 1/2, a homozygous one its
// allele, an untyped one an allele drawn from the frequencies.

// One typed offspring locus, ready for scoring: alleles a <= b and their
// floored frequencies.
struct OffspringLocus {
  int32_t locus;
  int32_t a;
  int32_t b;
  double fa;
  double fb;
};

// Replaces `loci` with the offspring's typed loci in locus order (a locus with
// an untyped allele is left out). `row` holds 2 * frequencies.loci() alleles.
void offspringLoci(const int* row, int32_t missing, const AlleleFrequencies& frequencies,
                   std::vector<OffspringLocus>& loci);

// The chance that the allele seen as a (and the one seen as b) came from this
// parent, errors included: (1 - e) * copies / 2 + e * frequency; for an
// untyped parent locus just the frequency.
// hasA and hasB tell whether the parent can pass a (or b) without an error:
// it carries it, or is untyped there.
struct Transmission {
  double a;
  double b;
  bool hasA;
  bool hasB;
  bool mismatch() const { return !hasA && !hasB; }  // no shared allele
};
Transmission transmission(const OffspringLocus& o, int32_t p1, int32_t p2, int32_t missing,
                          double errorRate);

// A parent's state at one offspring locus, all a transmission depends on:
// its copies of the offspring's alleles a and b (3 * copiesA + copiesB), or
// kUntypedState. A homozygous offspring's a and b are one allele, so both
// counts are its copies.
constexpr int kUntypedState = 9;
constexpr int kNoAlleleState = 0;  // typed, sharing no allele with the offspring
// The states a parent can be in at a heterozygous offspring locus: its two
// alleles match at most two of a and b.
constexpr int kHeterozygousStates[] = {0, 1, 2, 3, 4, 6};
constexpr int kParentStates = 10;
inline int parentState(const OffspringLocus& o, int32_t p1, int32_t p2, int32_t missing) {
  if (p1 == missing || p2 == missing) return kUntypedState;
  return 3 * ((p1 == o.a) + (p2 == o.a)) + (p1 == o.b) + (p2 == o.b);
}
// The transmission of a parent in `state`: the same values transmission()
// gives for any alleles with those copies.
Transmission stateTransmission(const OffspringLocus& o, int state, double errorRate);

// Per typed offspring locus, what a parent in each state transmits; computed
// once per offspring and looked up for every candidate.
struct LocusStates {
  Transmission sent[kParentStates];
};

// The ratio with the other parent drawn from the frequencies; exactly 1 for an
// untyped parent.
inline double singleRatio(const OffspringLocus& o, const Transmission& m) {
  if (o.a == o.b) return m.a / o.fa;
  return m.a / (2.0 * o.fa) + m.b / (2.0 * o.fb);
}

// The ratio for both parents, both phases of a heterozygous offspring.
inline double trioRatio(const OffspringLocus& o, const Transmission& m, const Transmission& f) {
  if (o.a == o.b) return m.a * f.a / (o.fa * o.fa);
  return (m.a * f.b + m.b * f.a) / (2.0 * o.fa * o.fb);
}

// True when no assignment of the offspring's two alleles, one to each parent,
// fits without an error.
inline bool trioMismatch(const Transmission& m, const Transmission& f) {
  return !((m.hasA && f.hasB) || (m.hasB && f.hasA));
}

// The LOD: natural logarithms of the ratios summed in locus order. Ratios are
// multiplied in groups of kRatiosPerLog before each logarithm, which keeps
// the cost to one logarithm per group; a ratio lies between e * e and
// 1 / (floor * floor), so with e >= kMinErrorRate (table_options.h) a
// group's product stays far inside the range of a double.
constexpr int kRatiosPerLog = 8;
class LodSum {
 public:
  void add(double ratio) {
    product_ *= ratio;
    if (++pending_ == kRatiosPerLog) flush();
  }
  double total() {
    flush();
    return sum_;
  }

 private:
  void flush() {
    if (pending_ > 0) sum_ += std::log(product_);
    product_ = 1.0;
    pending_ = 0;
  }
  double sum_ = 0.0;
  double product_ = 1.0;
  int pending_ = 0;
};
