#pragma once
#include <vector>

// Which build of the vector kernels runs: the portable code every build has,
// or the one for AVX2 or AVX-512 where the processor has it. One choice for
// every kernel family (the allele index, the block scan, the exact distance,
// the scope search), probed once from the processor.

enum class KernelKind { Portable, Avx2, Avx512 };

// The kinds the processor (and the build) can run, portable first.
std::vector<KernelKind> availableKernels();

// The kind every kernel runs: the one chosen by useKernel, else the widest the
// processor has. Cheap enough to ask once per scan.
KernelKind activeKernel();

// Chooses the kind of later kernels (tests and benchmarks force each kind
// this way); one the processor lacks falls back to the portable one. Not to
// be called while a search runs.
void useKernel(KernelKind kind);

// Goes back to the widest kind the processor has.
void useDefaultKernel();
