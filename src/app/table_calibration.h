#pragma once
#include <string>

#include "ranking/genotype_tables.h"
#include "ranking/ranked_table.h"
#include "ranking/table_options.h"

// With --calibrate: simulates offspring shaped like the run's, ranks them as
// `table` ranks the real ones, gives `table` the calibrated thresholds for its
// calls, tells `rankings` (null: nobody) and writes the calibration file
// beside the table. Returns the calibration file's path when
// it could not be written, otherwise an empty string; nothing without
// --calibrate.
std::string calibrateTable(const GenotypeTables& tables, RankedTable& table,
                           const TableOptions& options, unsigned threads,
                           RankingListener* rankings);
