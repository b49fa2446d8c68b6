#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/genotype_tables.h"

// Reads the mothers known beforehand (from field records, say): one line per
// offspring, two fields separated by blanks or tabs:
//   offspring mother
// the offspring's number (its line in sons.PRO, from 1) and the mother's
// identifier in parents.PAR; `#` lines and blank lines are skipped. Returns,
// per offspring row, the mother's parent row (the first with that
// identifier), or -1 when not listed. Throws RunFailure naming the file and
// the line on an unreadable file, a malformed line, an offspring number out of
// range or listed twice, or an identifier that is no mother's.
std::vector<int32_t> readKnownMothers(const std::string& path, const GenotypeTables& tables);
