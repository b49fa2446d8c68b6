#include "app/names_and_warnings.h"

#include <string>

#include "input/data_warnings.h"
#include "ranking/genotype_tables.h"
#include "status/run_failure.h"

namespace {

// Hermaphrodites' identifiers say no role, so the warning about roles is left
// out for them.
void warnAboutData(const CheckedTables& tables, const NameBook* names, const RunOptions& options,
                   std::ostream& err) {
  if (options.quiet) return;
  RowNames byRow;
  if (names != nullptr) {
    // Parents are named by identifier, offspring by their number in the table.
    const size_t idColumn = 2 * static_cast<size_t>(tables.loci);
    const Data& parents = tables.parents;
    byRow = [names, &parents, idColumn](bool parentTable, size_t row) {
      return parentTable ? &names->parent(parents.rows[row][idColumn]) : &names->offspring(row + 1);
    };
  }
  const bool hermaphrodites = options.table.settings.hermaphrodites;
  for (const std::string& line : dataWarnings(tables, byRow)) {
    if (hermaphrodites && line.find(" the other role") != std::string::npos) continue;
    err << line << "\n";
  }
  err << std::flush;
}

}  // namespace

std::shared_ptr<const NameBook> readNamesAndWarn(const CheckedTables& tables,
                                                 const RunOptions& options, std::ostream& err) {
  std::shared_ptr<const NameBook> names;
  if (!options.table.names.empty()) {
    // Hermaphrodites are analysed first as mothers (then again as fathers),
    // so their names are checked as the analysis sees them.
    GenotypeTables asAnalysed = genotypeTables(tables);
    if (options.table.settings.hermaphrodites) {
      asAnalysed.mothers = static_cast<int32_t>(tables.parents.rows.size());
    }
    try {
      names = std::make_shared<const NameBook>(options.table.names, asAnalysed);
    } catch (const RunFailure&) {
      warnAboutData(tables, nullptr, options, err);
      throw;
    }
  }
  warnAboutData(tables, names.get(), options, err);
  return names;
}
