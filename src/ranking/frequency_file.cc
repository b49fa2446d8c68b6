#include "ranking/frequency_file.h"

#include <optional>
#include <set>
#include <vector>

#include "util/text_file.h"
#include "util/number_reader.h"

namespace {

// Frequencies written with a few decimals may add up to a little over 1.
constexpr double kSumTolerance = 0.01;

}  // namespace

AlleleFrequencies readFrequencyFile(const std::string& path, int32_t loci) {
  const TextFile file("frequencies", path);
  std::vector<std::vector<std::pair<int32_t, double>>> byLocus(static_cast<size_t>(loci));
  std::vector<std::set<int32_t>> seen(static_cast<size_t>(loci));
  std::vector<double> sums(static_cast<size_t>(loci), 0.0);
  file.forEachLine(0, [&](size_t line, const std::vector<std::string>& fields) {
    if (fields.size() != 3) file.fail(line, "expected three fields: locus allele frequency");
    const std::optional<int64_t> locus = readWholeNumber(fields[0], 1, loci);
    const std::optional<int64_t> allele = readWholeNumber(fields[1], INT32_MIN, INT32_MAX);
    if (!locus) {
      file.fail(line, "locus " + quotedField(fields[0]) + " is not a number from 1 to " + std::to_string(loci));
    }
    if (!allele) file.fail(line, "allele " + quotedField(fields[1]) + " is not a whole number");
    const std::optional<double> read = readDecimal(fields[2], 0.0, 1.0);
    if (!read || !(*read > 0.0)) {
      file.fail(line, "frequency " + quotedField(fields[2]) + " is not a number above 0 and at most 1");
    }
    const size_t k = static_cast<size_t>(*locus - 1);
    if (!seen[k].insert(static_cast<int32_t>(*allele)).second) {
      file.fail(line, "allele " + fields[1] + " of locus " + fields[0] + " is listed twice");
    }
    const double frequency = *read;
    sums[k] += frequency;
    if (sums[k] > 1.0 + kSumTolerance) {
      file.fail(line, "the frequencies of locus " + fields[0] + " add up to more than 1");
    }
    byLocus[k].emplace_back(static_cast<int32_t>(*allele), frequency);
  });
  for (size_t k = 0; k < byLocus.size(); ++k) {
    if (byLocus[k].empty()) file.fail(0, "locus " + std::to_string(k + 1) + " has no frequencies");
  }
  return AlleleFrequencies(std::move(byLocus));
}
