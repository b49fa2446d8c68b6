#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "input/checked_tables.h"

// The name of the individual on `row` of the parents table (`parentTable`) or
// of the offspring table, or null when it has none to show.
using RowNames = std::function<const std::string*(bool parentTable, size_t row)>;

// Data that reads but is almost certainly not what the user meant. Returns one
// line per kind found (without line feeds), each "parentsphere: warning: ..."
// with a count and the first few places ("<file>:<line>"), in this order:
// rows holding a negative value other than the missing code (read as invalid with the
// rest of the row); values read from a token with text after its digits
// ("10A_2016" read as 10); parent identifiers made invalid or repeated; parents whose
// identifier disagrees with the role their position gives them (fathers listed
// before mothers: the first tables.mothers rows are analysed as mothers); individuals
// with no typed locus; individuals typed at fewer than half the loci.
//
// With `names`, a place whose individual has a name shows it after the line:
// "parents.PAR:129 (urhelper)", "parents.PAR:7 (urhelper; 3 of 10)".
std::vector<std::string> dataWarnings(const CheckedTables& tables, const RowNames& names = nullptr);
