#pragma once
#include "input/data.h"

// The hermaphrodites' parents table as the analysis reads it: every
// individual of `parents` once as a mother, then once more, in the same
// order and under the same identifier, as a father (motherRows set to the
// individuals' count). Rows keep their file lines, so messages still point
// at the file. `parents` is left as read (allele counts use it).
Data bothRoles(const Data& parents);
