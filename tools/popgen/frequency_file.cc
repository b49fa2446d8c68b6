#include "popgen/frequency_file.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace {

// As many loci as a SNP panel may have.
constexpr long long kMaxLoci = 2000;
// Alleles are held in 16 bits while the population is made.
constexpr long long kMaxAllele = 65535;
// Frequencies written with a few decimals may add up to a little over 1.
constexpr double kSumTolerance = 0.01;

bool wholeNumber(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::stoll(text);
  return value >= low && value <= high;
}

bool frequency(const std::string& text, double& value) {
  if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(value) && value > 0.0 && value <= 1.0;
}

}  // namespace

bool readFrequencyFile(const std::string& path, std::vector<LocusModel>& loci, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": can not read this frequencies file";
    return false;
  }
  std::vector<std::vector<std::pair<int, double>>> byLocus;
  std::vector<std::set<int>> seen;
  std::vector<double> sums;
  std::string line;
  for (long long number = 1; std::getline(in, line); ++number) {
    const std::string at = path + ":" + std::to_string(number) + ": ";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream fields(line);
    std::string locusText, alleleText, frequencyText, extra;
    fields >> locusText >> alleleText >> frequencyText;
    if (frequencyText.empty() || (fields >> extra)) {
      error = at + "expected three fields: locus allele frequency";
      return false;
    }
    long long locus = 0;
    long long allele = 0;
    double share = 0.0;
    if (!wholeNumber(locusText, 1, kMaxLoci, locus)) {
      error = at + "locus '" + locusText + "' is not a number from 1 to " + std::to_string(kMaxLoci);
      return false;
    }
    if (!wholeNumber(alleleText, 1, kMaxAllele, allele)) {
      error = at + "allele '" + alleleText + "' is not a whole number from 1 to 65535";
      return false;
    }
    if (!frequency(frequencyText, share)) {
      error = at + "frequency '" + frequencyText + "' is not a number above 0 and at most 1";
      return false;
    }
    const size_t k = static_cast<size_t>(locus - 1);
    if (byLocus.size() <= k) {
      byLocus.resize(k + 1);
      seen.resize(k + 1);
      sums.resize(k + 1, 0.0);
    }
    if (!seen[k].insert(static_cast<int>(allele)).second) {
      error = at + "allele " + alleleText + " of locus " + locusText + " is listed twice";
      return false;
    }
    sums[k] += share;
    if (sums[k] > 1.0 + kSumTolerance) {
      error = at + "the frequencies of locus " + locusText + " add up to more than 1";
      return false;
    }
    byLocus[k].emplace_back(static_cast<int>(allele), share);
  }
  if (in.bad()) {
    error = path + ": can not read this frequencies file";
    return false;
  }
  if (byLocus.empty()) {
    error = path + ": no frequencies in this file";
    return false;
  }
  loci.clear();
  for (size_t k = 0; k < byLocus.size(); ++k) {
    if (byLocus[k].empty()) {
      error = path + ": locus " + std::to_string(k + 1) + " has no frequencies";
      return false;
    }
    loci.push_back(makeListedLocus(std::move(byLocus[k])));
  }
  return true;
}
