#include "ranking/error_rate_file.h"

#include <optional>

#include "ranking/closest_name.h"
#include "ranking/field_split.h"
#include "ranking/locus_names.h"
#include "ranking/table_options.h"
#include "util/text_file.h"
#include "util/number_reader.h"

namespace {

// The 0-based locus `field` names (a name first, then a number), or -1.
int32_t locusOf(const std::string& field, int32_t loci, const std::vector<std::string>& names) {
  for (size_t k = 0; k < names.size(); ++k) {
    if (names[k] == field) return static_cast<int32_t>(k);
  }
  if (const std::optional<int64_t> number = readWholeNumber(field, 1, loci)) {
    return static_cast<int32_t>(*number - 1);
  }
  return -1;
}

}  // namespace

std::vector<double> readErrorRateFile(const std::string& path, int32_t loci,
                                      const std::vector<std::string>& locusNames) {
  const TextFile file("error rates", path);
  const std::vector<std::string> names =
      locusNames.size() == static_cast<size_t>(loci) ? locusNames : std::vector<std::string>();
  std::vector<double> rates(static_cast<size_t>(loci), -1.0);
  double fallback = -1.0;
  bool first = true;
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& tabbed) {
    const std::vector<std::string> fields = splitFields(tabbed);
    const bool header = first && fields == std::vector<std::string>{"locus", "rate"};
    first = false;
    if (header) return;
    if (fields.size() != 2) file.fail(line, "expected two fields: locus rate");
    const std::optional<double> read = readDecimal(fields[1], kMinErrorRate, kMaxErrorRate);
    if (!read) file.fail(line, "rate '" + fields[1] + "' is not a number from 0.000001 to 0.5");
    const double rate = *read;
    if (fields[0] == "default") {
      if (fallback >= 0.0) file.fail(line, "the default is given twice");
      fallback = rate;
      return;
    }
    const int32_t locus = locusOf(fields[0], loci, names);
    if (locus < 0) {
      std::string problem = "locus '" + fields[0] + "' is not a number from 1 to " + std::to_string(loci);
      if (!names.empty()) problem += " nor a locus name (closest: '" + closestName(fields[0], names) + "')";
      file.fail(line, problem);
    }
    double& slot = rates[static_cast<size_t>(locus)];
    if (slot >= 0.0) file.fail(line, "locus " + fields[0] + " is given twice");
    slot = rate;
  });
  for (size_t k = 0; k < rates.size(); ++k) {
    if (rates[k] >= 0.0) continue;
    if (fallback < 0.0) {
      file.fail(0, locusLabel(k, names) + " has no rate (list every locus, or add a line 'default rate')");
    }
    rates[k] = fallback;
  }
  return rates;
}
