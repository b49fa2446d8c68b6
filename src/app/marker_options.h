#pragma once
#include <string>

#include <CLI/CLI.hpp>

#include "app/run_options.h"

// The marker options: --markers FILE (the marker table) and --summary
// FILE.html (the summary page), filling options.markersFile and
// options.summaryFile. A value must be a file name: not empty, not ending in
// '/', not an existing folder; the page's must end in .html or .htm.
void addMarkerOptions(CLI::App& app, RunOptions& options);

// After parsing: "" when the marker files can be written without touching
// anything else the run reads or writes; otherwise why not, naming the option.
// Refused: the two options naming one file, or either naming an input table
// or a report of the run (by path, or the same file through a link).
std::string markerFilesError(const RunOptions& options);
