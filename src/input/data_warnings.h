#pragma once
#include <string>
#include <vector>

#include "input/data.h"

// Data that reads but is almost certainly not what the user meant. Returns one
// line per kind found (without line feeds), each "parentsphere: warning: ..."
// with a count and the first few places ("<file>:<line>"), in this order:
// rows holding a negative value other than `missing` (read as invalid with the
// rest of the row); parent identifiers made invalid or repeated; parents whose
// identifier disagrees with the role their position gives them (fathers listed
// before mothers: the first contmadres rows are analysed as mothers); individuals
// with no typed locus; individuals typed at fewer than half the loci.
// Precondition: validateTables accepted the tables and nLoci is set on both.
std::vector<std::string> dataWarnings(const Data& parents, const Data& sons, int missing);
