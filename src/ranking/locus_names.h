#pragma once
#include <string>
#include <vector>

// The loci's names a table file carries on its first line, written by
// csv2parentsphere as a comment the readers skip:
//   # loci<TAB>name1<TAB>name2...
// Returns the names in locus order; empty when the file has no such line or
// cannot be read (the tables' own reader reports that).
std::vector<std::string> lociLineOf(const std::string& path);
