#pragma once
#include <memory>
#include <ostream>

#include "app/run_options.h"
#include "input/data.h"
#include "ranking/names_file.h"

// Checks the tables (prepareTables), reads the --names file once when the
// options give one, then writes the data warnings to `err` unless quiet,
// naming the individuals when names were read. Returns the names, null without
// --names. Throws RunFailure as prepareTables and NameBook do; a bad names file
// still gets the warnings first, without names.
std::shared_ptr<const NameBook> checkTablesAndNames(Data& parents, Data& sons,
                                                    const RunOptions& options, std::ostream& err);
