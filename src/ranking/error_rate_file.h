#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Reads a typing-error rate per locus, for panels whose loci err unequally.
// One line per locus, two fields separated by a tab (or blanks):
//   locus rate
// the locus numbered from 1 in column order or, when `locusNames` holds one
// name per locus, by its name; the rate a number from kMinErrorRate to
// kMaxErrorRate. A line `default rate` gives the rate of every locus not
// listed; an optional first line `locus rate` is a header. `#` lines and
// blank lines are skipped. Returns `loci` rates in locus order. Throws
// RunFailure naming the file and the line on an unreadable file, a malformed
// line, an unknown locus (with the closest name), a rate out of range, a
// locus or default given twice, or a locus left without a rate.
std::vector<double> readErrorRateFile(const std::string& path, int32_t loci,
                                      const std::vector<std::string>& locusNames);
