#include "input/both_roles.h"

#include "input/missing_value.h"

Data bothRoles(const Data& parents) {
  Data both = Data::fromText("", kMissingValue, parents.comment, parents.fileName);
  for (int copy = 0; copy < 2; ++copy) {
    both.rows.insert(both.rows.end(), parents.rows.begin(), parents.rows.end());
    both.rowHasMissing.insert(both.rowHasMissing.end(), parents.rowHasMissing.begin(),
                              parents.rowHasMissing.end());
    both.rowLines.insert(both.rowLines.end(), parents.rowLines.begin(), parents.rowLines.end());
  }
  both.nLoci = parents.nLoci;
  both.flaggedMissing = parents.flaggedMissing;
  return both;
}
