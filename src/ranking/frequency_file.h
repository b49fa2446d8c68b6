#pragma once
#include <cstdint>
#include <string>

#include "ranking/allele_frequencies.h"

// Reads allele frequencies given by the user instead of counted from the
// tables. One entry a line, three fields separated by blanks or tabs:
//   locus allele frequency
// the locus numbered from 1 in column order, the allele as the tables write
// it, the frequency a decimal above 0 and at most 1. `#` lines and blank
// lines are skipped. Every locus of the tables needs at least one entry;
// alleles left out count as kFrequencyFloor. Throws RunFailure naming the file
// and the line on an unreadable file, a malformed line, a locus outside 1 to
// `loci`, an allele listed twice for one locus, or a locus whose frequencies
// add up to more than 1 (beyond rounding) or that has none.
AlleleFrequencies readFrequencyFile(const std::string& path, int32_t loci);
