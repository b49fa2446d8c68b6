#include "families/fit_masks.h"

#include <cstdlib>

FitMasks::FitMasks(const int32_t* offspring, int32_t loci, int32_t radiusNear, int32_t radiusFar,
                   int32_t missing) {
  reset(offspring, loci, radiusNear, radiusFar, missing);
}

void FitMasks::reset(const int32_t* offspring, int32_t loci, int32_t radiusNear,
                     int32_t radiusFar, int32_t missing) {
  offspring_ = offspring;
  loci_ = loci;
  radiusNear_ = radiusNear;
  radiusFar_ = radiusFar;
  missing_ = missing;
  words_ = loci > 0 ? (static_cast<size_t>(loci) + 63) / 64 : 1;
  full_.assign(words_, 0);
  for (int32_t k = 0; k < loci; ++k) full_[static_cast<size_t>(k) / 64] |= uint64_t{1} << (k % 64);
  masks_.clear();
}

size_t FitMasks::add(const int32_t* parent) {
  const size_t at = masks_.size();
  masks_.resize(at + 2 * words_, 0);
  uint64_t* first = &masks_[at];
  uint64_t* second = &masks_[at + words_];
  // Differences in 64 bits: two 32-bit alleles can be 2^32 apart.
  auto fits = [this](int64_t s, int64_t p1, int64_t p2, int64_t tolerance) {
    const int64_t d1 = (s == missing_ || p1 == missing_) ? 0 : std::llabs(s - p1);
    const int64_t d2 = (s == missing_ || p2 == missing_) ? 0 : std::llabs(s - p2);
    return d1 <= tolerance || d2 <= tolerance;
  };
  for (int32_t k = 0; k < loci_; ++k) {
    const int32_t p1 = parent[2 * k];
    const int32_t p2 = parent[2 * k + 1];
    const uint64_t bit = uint64_t{1} << (k % 64);
    const size_t w = static_cast<size_t>(k) / 64;
    if (fits(offspring_[2 * k], p1, p2, radiusNear_)) first[w] |= bit;
    if (fits(offspring_[2 * k + 1], p1, p2, radiusFar_)) second[w] |= bit;
  }
  return at / (2 * words_);
}
