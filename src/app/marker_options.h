#pragma once
#include <string>

#include <CLI/CLI.hpp>

#include "app/run_options.h"

// The marker options: --markers FILE (the marker table) and --summary
// FILE.html (the summary page), filling options.markersFile and
// options.summaryFile. A value must be a file name: not empty, not ending in
// '/', not an existing folder; the page's must end in .html or .htm.
void addMarkerOptions(CLI::App& app, RunOptions& options);
