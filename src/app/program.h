#pragma once
#include <istream>
#include <ostream>

#include "analysis/run_progress.h"

// One interactive run in the current directory: prompts on `out`, reads the
// radius from `in`, reads "parents.PAR" then "sons.PRO", analyses them and
// writes "Parent.out", "Fam.out" and "Famgenotypes.out". Returns the process
// exit status: ExitSuccess after "\nDONE", ExitFailure after an input problem
// (its message on `out`, no report touched) or a report that could not be
// written.
// `progress`, when given, is told how far the analysis has got.
int runProgram(std::istream& in, std::ostream& out, RunProgress* progress = nullptr);
