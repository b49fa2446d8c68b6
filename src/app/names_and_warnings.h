#pragma once
#include <memory>
#include <ostream>

#include "app/run_options.h"
#include "input/checked_tables.h"
#include "ranking/names_file.h"

// Reads the --names file once when the options give one, then writes the
// data warnings about the checked tables to `err` unless quiet, naming the
// individuals when names were read. Returns the names, null without
// --names. Throws RunFailure as NameBook does; a bad names file still gets
// the warnings first, without names.
std::shared_ptr<const NameBook> readNamesAndWarn(const CheckedTables& tables,
                                                 const RunOptions& options, std::ostream& err);
