#pragma once
#include <cstddef>
#include <string>

#include "input/data.h"
#include "input/line_parser.h"

// The lines for standard error that say where a table could not be used and
// why, in the form "<file>:<line>: <what>". Standard output keeps the
// table's usual message; these only add the place.

// "<file>:<line>: column <c>: '<token>' <why it does not read>", for a token
// that is text, zero, out of the 32-bit range, or a lone carriage return.
// The token is shown with control characters escaped and cut to a short length.
std::string describeBadToken(const std::string& fileName, const BadToken& bad);

// "<file>:<line>: <n> values, expected <expected>", for row `row` of
// `table`, where `expected` says how many and why.
std::string describeRowWidth(const Data& table, size_t row, const std::string& expected);

// The line of `table`'s text that row `row` came from, from 1 (the row's
// position when the table was not read from a text).
size_t lineOfRow(const Data& table, size_t row);
