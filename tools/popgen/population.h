#pragma once
#include <string>

#include "popgen/options.h"

// Writes parents.PAR and sons.PRO (and pedigree.txt when `truth` is set) into
// `folder`, which must exist. Returns false with a one-line reason in `error`
// when a file cannot be written. The output depends on `params` alone.
bool writePopulation(const PopulationParams& params, const std::string& folder, bool truth,
                     std::string& error);
