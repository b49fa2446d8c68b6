#pragma once
#include <string>
#include <vector>

// The fields of a line read split on tabs (TextFile::forEachLine with '\t'):
// when the line holds a tab, its tab-separated fields, otherwise its
// blank-separated words; surrounding blanks trimmed and empty fields dropped.
// A name may so hold blanks in a tab-separated file, and files written with
// blanks read as before.
std::vector<std::string> splitFields(const std::vector<std::string>& tabbed);
