#pragma once
#include <functional>
#include <istream>
#include <memory>
#include <ostream>

#include "analysis/run_progress.h"
#include "app/run_options.h"

// Makes the progress display of one analysis (null: none).
using ProgressFactory = std::function<std::unique_ptr<RunProgress>()>;

// One run as `options` say; warnings go to `err` unless options.quiet.
// Without radii (the run without arguments): prompts on `out`, reads the
// radius from `in`, and after the reports prints "\nDONE". With radii: reads
// nothing from `in`; reads the tables once, then for each radius writes the
// reports (in outputDir, or in outputDir/radius-R when there are several) and
// prints "radius R: reports in FOLDER"; at the end "DONE".
// Returns the exit status: ExitSuccess when done; ExitFailure after an input problem (its usual
// message on `out`, where it is on `err`, no report touched) or a report that
// could not be written (the radii after it are not run).
int runProgram(const RunOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               const ProgressFactory& makeProgress = {});
