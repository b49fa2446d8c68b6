#pragma once
#include "input/checked_tables.h"
#include "input/data.h"

// The hermaphrodites' parents table as the analysis reads it: every
// individual of `parents` once as a mother, then once more, in the same
// order and under the same identifier, as a father. Rows keep their file
// lines, so messages still point at the file. `parents` is left as read
// (allele counts use it).
Data bothRoles(const Data& parents);

// `checked` as the hermaphrodites' analysis reads it: `both`
// (bothRoles(checked.parents)) as the parents, its first half the mothers.
// `both` must outlive the value.
inline CheckedTables inBothRoles(const CheckedTables& checked, const Data& both) {
  return {both, checked.offspring, checked.loci, static_cast<int32_t>(checked.parents.rows.size()),
          checked.missing};
}
