#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"

// Reads the mothers known beforehand (from field records, say): one line per
// offspring, two fields separated by tabs or, on a line without tabs, blanks:
//   offspring mother
// the offspring's number (its line in sons.PRO, from 1) and the mother's
// identifier in parents.PAR, or, when `names` is given, either one's name;
// `#` lines and blank lines are skipped; a name holding blanks needs the tab.
// Returns, per offspring row, the mother's parent row (the first with that
// identifier), or -1 when not listed. Throws RunFailure naming the file and
// the line on an unreadable file, a malformed line, an offspring number out of
// range or listed twice, an identifier that is no mother's, or a name no
// individual of that role bears (the message offers the closest name).
std::vector<int32_t> readKnownMothers(const std::string& path, const GenotypeTables& tables,
                                      const NameBook* names = nullptr);
