#pragma once
#include <cstddef>
#include <cstdint>

// Candidates' single LODs on a panel read by genotype (SNPs: at most four
// genotypes a locus, the untyped one among them), four candidates at a time
// by register permutes where AVX-512 VBMI has them. Each LOD is
// OffspringRanker's fast LOD to the last bit: the same four products, each
// taking its loci in the same order, rescaled at the same loci.

// One offspring's tables, by typed locus k: the ratio of a parent of
// genotype g at ratios[4 * k + g], its state at states[4 * k + g]; both
// padded to a multiple of four loci.
struct GenotypeSingles {
  size_t typed;
  const double* ratios;
  const uint8_t* states;
  // Null where the offspring is typed at every locus; else each typed locus's
  // place among the panel's `loci` (at most kKernelPlaces), padded to
  // kKernelPlaces bytes.
  const uint8_t* places;
  size_t loci;
};

// The most genotypes a locus may have, and the most loci an offspring with
// untyped loci may be scored over, by the kernel.
constexpr size_t kKernelGenotypes = 4;
constexpr size_t kKernelPlaces = 128;
// Candidates scored per call.
constexpr size_t kKernelCandidates = 4;

// A product of ratios kept as product * 2^exponent, the product in [1, 2)
// but for its last factors: the LOD is ln(product) + exponent * ln 2, taken
// by the caller (a fused multiply-add inside the kernel would round it
// otherwise).
struct ScaledProduct {
  double product;
  int64_t exponent;
};

#if defined(__x86_64__) && !defined(PARENTSPHERE_PORTABLE_ONLY)
// Whether the processor runs genotypeProducts() (AVX-512 BW, VL and VBMI).
bool hasGenotypeKernel();
// For each of kKernelCandidates candidates, whose genotype codes (a byte per
// locus) are codes[c]: the product of its ratios, and its state at each
// typed locus written to states[c]. Candidates may repeat; their states
// must not overlap.
void genotypeProducts(const uint8_t* const* codes, const GenotypeSingles& singles,
                      uint8_t* const* states, ScaledProduct* products);
#endif
