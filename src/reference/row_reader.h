#pragma once
#include <string>
#include <vector>

#include "input/data.h"

// The program parses whole tables as it reads them (input/line_parser.h); this
// is the record-level line reader kept as the reference for the reader's tests.
// Converts one line into `row`. Returns true (and appends its missing flag to
// table.rowHasMissing) when the line is a row, false for a comment line.
// Throws RunFailure with the conversion message when a token does not read as
// a usable number.
bool get_row(Data& table, std::string line, int missing, std::vector<int>& row);
