#pragma once
#include <string>

// The reports write numbers with appendInt (reports/number_text.h); this is
// the record-level form kept as the reference for the tests.
// The one-character text of a decimal digit 0..9; "" for any other value.
std::string digittoS(int digit);
// The decimal text of `value`: "0", digits without leading zeros, "-" before a
// negative value's magnitude (INT_MIN included).
std::string ItoS(int value);
