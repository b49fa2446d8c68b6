#include "families/fit_masks.h"

#include "families/allele_fit.h"

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
  for (int32_t k = 0; k < loci_; ++k) {
    const int32_t p1 = parent[2 * k];
    const int32_t p2 = parent[2 * k + 1];
    const uint64_t bit = uint64_t{1} << (k % 64);
    const size_t w = static_cast<size_t>(k) / 64;
    if (alleleFits(offspring_[2 * k], p1, p2, radiusNear_, missing_)) first[w] |= bit;
    if (alleleFits(offspring_[2 * k + 1], p1, p2, radiusFar_, missing_)) second[w] |= bit;
  }
  return at / (2 * words_);
}
