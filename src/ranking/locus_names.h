#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The loci's names a table file carries on its first line, written by
// csv2parentsphere as a comment the readers skip:
//   # loci<TAB>name1<TAB>name2...
// Returns the names in locus order; empty when the file has no such line, is
// not a regular file or cannot be read (the tables' own reader reports that).
std::vector<std::string> lociLineOf(const std::string& path);

// Reads --locus-names: one name per line, in locus order; `#` lines and blank
// lines are skipped. Throws RunFailure naming the file (and the line) on an
// unreadable file, a line holding a tab, a name given twice, or a number of
// names other than `loci`.
std::vector<std::string> readLocusNamesFile(const std::string& path, int32_t loci);

// The loci's names of a run: from `file` when given (--locus-names), else
// from the first of the two tables whose "# loci" line names `loci` loci;
// empty when none does (the loci are then known by number).
std::vector<std::string> locusNamesFor(const std::string& file, const std::string& parentsPath,
                                       const std::string& offspringPath, int32_t loci);

// "locus K" (K from 1), followed by " (name)" when `names` names the loci.
std::string locusLabel(size_t locus, const std::vector<std::string>& names);
