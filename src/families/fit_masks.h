#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The compatibility test as bit masks, for testing many (mother, father) pairs
// of one offspring: per candidate, the loci where the offspring's first allele
// fits it (within radiusNear) and where its second allele does (within
// radiusFar). A pair is compatible when at every locus one offspring allele
// fits the mother and the other fits the father; this agrees with
// checkCompatibility (alleleFits) for every input.
class FitMasks {
 public:
  // `offspring` holds 2*loci alleles; `missing` is the missing-value code.
  FitMasks(const int32_t* offspring, int32_t loci, int32_t radiusNear, int32_t radiusFar,
           int32_t missing);
  FitMasks() : FitMasks(nullptr, 0, 0, 0, 0) {}

  // Starts over for another offspring, keeping the memory already reserved.
  void reset(const int32_t* offspring, int32_t loci, int32_t radiusNear, int32_t radiusFar,
             int32_t missing);

  // Appends the masks of a candidate whose alleles are `parent[0..2*loci)`
  // (a locus's two in either order) and returns its index for compatible().
  size_t add(const int32_t* parent);

  bool compatible(size_t mother, size_t father) const {
    const uint64_t* m = &masks_[mother * 2 * words_];
    const uint64_t* f = &masks_[father * 2 * words_];
    for (size_t w = 0; w < words_; ++w) {
      if (((m[w] & f[words_ + w]) | (m[words_ + w] & f[w])) != full_[w]) return false;
    }
    return true;
  }

 private:
  // Per offspring allele (first, second, first, ... as the row holds them):
  // the parent alleles p that fit it are those with int32(p - low) <= span,
  // low and span being the interval's bounds moved by 2^31 so that a signed
  // comparison does the unsigned range test.
  void setWindows(const int32_t* offspring, int32_t toleranceNear, int32_t toleranceFar);
  void setWindow(size_t allele, int32_t value, int32_t tolerance);
  void addPairs(const int32_t* parent, uint64_t* first, uint64_t* second) const;
  void addLocus(const int32_t* parent, size_t k, uint64_t* first, uint64_t* second) const;

  size_t loci_;
  int32_t missing_;
  bool nearAllowed_;  // false for a negative radius: nothing fits, a missing value neither
  bool farAllowed_;
  size_t words_;
  std::vector<int32_t> low_;     // per offspring allele, as above
  std::vector<int32_t> span_;
  std::vector<uint64_t> full_;   // a bit for every locus
  size_t candidates_ = 0;
  std::vector<uint64_t> masks_;  // per candidate: first-allele words, second-allele words
};
