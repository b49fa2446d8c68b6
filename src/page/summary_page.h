#pragma once
#include <string>

#include "page/summary_input.h"

// The run's summary as one self-contained HTML page (well-formed XML too):
// inline CSS and SVG only, no script, nothing fetched, readable offline and
// printable. Every text taken from the input (file names, options) is
// escaped. Without a ranked table the page says so in place of the mismatch,
// delta and call charts.
std::string summaryPage(const SummaryInput& in);
