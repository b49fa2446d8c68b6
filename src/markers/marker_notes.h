#pragma once
#include <string>
#include <vector>

#include "markers/marker_statistics.h"

// Above this estimated null-allele frequency a locus is flagged.
constexpr double kNullAlleleFlag = 0.05;
// Above this share of confident mother-offspring pairs without a shared
// allele a locus is flagged: true mothers should almost never mismatch.
constexpr double kMismatchFlag = 0.05;

// True when the locus is flagged (f_null or mismatch_rate above its limit).
bool isFlagged(const MarkerRow& locus);

// Sentences, plain text, one per finding: each flagged locus (what its figure
// says and why it matters) and each locus that cannot exclude anyone. Loci
// are numbered from 1.
std::vector<std::string> markerNotes(const std::vector<MarkerRow>& loci);
