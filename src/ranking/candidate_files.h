#pragma once
#include <string>

#include "ranking/candidate_filter.h"
#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"

// Reads the groups file into `filter`: tab-separated, a header line
//   number<TAB>role<TAB>group
// (with `names`, `name` may stand for `number`; a byte-order mark before it
// is skipped), then one line per individual and group: the offspring's
// number or the parent's identifier (or either's name, with `names`), its
// role (mother, father or offspring) and the group, any text. An individual
// may have several lines. Throws RunFailure naming the file and the line on
// an unreadable file, a wrong header, a malformed line, an unknown role or an
// individual the tables do not hold in that role (with the closest name).
void readGroupsFile(const std::string& path, const GenotypeTables& tables, const NameBook* names,
                    CandidateFilter& filter);

// Reads the pairs known to be impossible into `filter`: one line each,
//   offspring candidate
// separated by a tab (or, on a line without one, blanks): the offspring's
// number and the candidate parent's identifier, or their names with
// `names`; `#` lines and blank lines are skipped. A candidate that is both a
// mother and a father (hermaphrodites) is ruled out in both roles. Throws
// RunFailure like readGroupsFile.
void readExclusionsFile(const std::string& path, const GenotypeTables& tables,
                        const NameBook* names, CandidateFilter& filter);
