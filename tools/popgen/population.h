#pragma once
#include <string>
#include <vector>

#include "popgen/locus_model.h"
#include "popgen/options.h"

// Writes parents.PAR and sons.PRO (and pedigree.txt when `truth` is set, and
// groups.tsv with groups) into `folder`, which must exist. The loci are
// `listed` (from a frequencies file, one per locus of `params`) or, when it is
// empty, made up from the seed. Returns false with a one-line reason in
// `error` when a file cannot be written. The output depends on the arguments alone.
bool writePopulation(const PopulationParams& params, const std::vector<LocusModel>& listed,
                     const std::string& folder, bool truth, std::string& error);
