#pragma once
#include <cstddef>
#include <cstdint>

#include "ranking/scaled_product.h"

// Candidates' single LODs on a panel read by genotype (SNPs: at most four
// genotypes a locus, the untyped one among them), eight candidates at a
// time, by register permutes (AVX-512 VBMI) or selects (AVX2). Each LOD is
// OffspringRanker's fast LOD to the last bit: the same four products, each
// taking its loci in the same order, rescaled at the same loci.

// The most genotypes a locus may have, and the most loci an offspring with
// untyped loci may be scored over, by the kernels.
constexpr size_t kKernelGenotypes = 4;
constexpr size_t kKernelPlaces = 128;
// Candidates scored per call (a multiple of four).
constexpr size_t kKernelCandidates = 8;
// The AVX2 kernel gathers an offspring's typed loci 16 at a time from two
// neighbouring blocks of 16: it takes offspring with at most this many
// untyped loci, and reads up to kCodesPadding bytes past a candidate's codes.
constexpr size_t kShuffledUntyped = 16;
constexpr size_t kCodesPadding = 32;

// One offspring's tables, by typed locus k = 4q + l: the ratio of a parent
// of genotype g at ratios[16q + 4g + l], its state at states[16q + 4g + l];
// both padded to a multiple of four loci.
struct GenotypeSingles {
  size_t typed;
  const double* ratios;
  const uint8_t* states;
  // Null where the offspring is typed at every locus; else each typed locus's
  // place among the panel's `loci` (at most kKernelPlaces), padded to
  // kKernelPlaces bytes (AVX-512), and per 16 typed loci the pshufb controls
  // that take them from the 16 loci from 16 q on and the 16 after (AVX2; null
  // with more than kShuffledUntyped untyped loci).
  const uint8_t* places;
  const uint8_t* shuffles;
  size_t loci;
};

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
// Whether the processor runs genotypeProducts() (AVX-512 BW, VL and VBMI).
bool hasGenotypeKernel();
// For each of kKernelCandidates candidates, whose genotype codes (a byte per
// locus) are codes[c]: the product of its ratios (its LOD is ln(product) +
// exponent * ln 2, taken by the caller: a fused multiply-add inside a kernel
// would round it otherwise), and its state at each typed locus written to
// states[c]. Candidates may repeat; their states
// must not overlap.
void genotypeProducts(const uint8_t* const* codes, const GenotypeSingles& singles,
                      uint8_t* const* states, ScaledProduct* products);
// The same with AVX2, for offspring whose `shuffles` are set (or that are
// typed at every locus); codes are read up to kCodesPadding bytes past the
// panel's loci.
void genotypeProductsAvx2(const uint8_t* const* codes, const GenotypeSingles& singles,
                          uint8_t* const* states, ScaledProduct* products);
#endif
