#pragma once
#include <string>
#include <vector>

#include "popgen/locus_model.h"

// Reads a frequencies file in the layout parentsphere's --frequencies takes:
// one line per allele, "locus allele frequency" separated by blanks or tabs,
// loci numbered from 1, '#' lines and blank lines skipped. The loci are 1 to
// the highest number given, each with at least one allele. Returns false with
// "FILE:LINE: reason" (or "FILE: reason") in `error` when the file cannot be
// read or breaks the layout; alleles must be from 1 to 65535.
bool readFrequencyFile(const std::string& path, std::vector<LocusModel>& loci, std::string& error);
