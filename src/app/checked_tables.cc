#include "app/checked_tables.h"

#include <string>

#include "input/data_warnings.h"
#include "input/missing_value.h"
#include "input/table_checks.h"
#include "status/run_failure.h"

namespace {

// Hermaphrodites' identifiers say no role, so the warning about roles is left
// out for them.
void warnAboutData(const Data& parents, const Data& sons, const NameBook* names,
                   const RunOptions& options, std::ostream& err) {
  if (options.quiet) return;
  RowNames byRow;
  if (names != nullptr) {
    // Parents are named by identifier, offspring by their number in the table.
    const size_t idColumn = 2 * static_cast<size_t>(parents.nLoci);
    byRow = [names, &parents, idColumn](bool parentTable, size_t row) {
      return parentTable ? &names->parent(parents.rows[row][idColumn]) : &names->offspring(row + 1);
    };
  }
  const bool hermaphrodites = options.table.settings.hermaphrodites;
  for (const std::string& line : dataWarnings(parents, sons, kMissingValue, byRow)) {
    if (hermaphrodites && line.find(" the other role") != std::string::npos) continue;
    err << line << "\n";
  }
  err << std::flush;
}

}  // namespace

std::shared_ptr<const NameBook> checkTablesAndNames(Data& parents, Data& sons,
                                                    const RunOptions& options, std::ostream& err) {
  const int mothers = prepareTables(parents, sons);
  std::shared_ptr<const NameBook> names;
  if (!options.table.names.empty()) {
    // Hermaphrodites are analysed first as mothers (then again as fathers),
    // so their names are checked as the analysis sees them.
    const int32_t asMothers = options.table.settings.hermaphrodites
                                  ? static_cast<int32_t>(parents.rows.size())
                                  : mothers;
    const GenotypeTables tables{parents.rows, sons.rows, parents.nLoci, asMothers, kMissingValue};
    try {
      names = std::make_shared<const NameBook>(options.table.names, tables);
    } catch (const RunFailure&) {
      warnAboutData(parents, sons, nullptr, options, err);
      throw;
    }
  }
  warnAboutData(parents, sons, names.get(), options, err);
  return names;
}
