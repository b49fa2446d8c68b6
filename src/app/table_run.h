#pragma once
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/parallel_listener.h"
#include "files/replaced_file.h"
#include "input/checked_tables.h"
#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"
#include "ranking/ranked_table.h"
#include "ranking/table_options.h"

// The ranked table of a run with --table, written beside each radius's
// reports (their text unchanged): the table goes to options.table, the
// short list to options.candidates, the calibration beside the table. Built
// once per run; start() and finish() surround the analysis of each radius.
// Whether the table's paths keep apart from the inputs and the reports is
// the caller's check (runPathsError).
class TableRun {
 public:
  // `names`, when given, are options.names already read (it is not read
  // again); `warnings`, when given, hears the table's warnings about its
  // option files; `rankings`, when given, every ranking. Ranks on `threads`
  // threads.
  TableRun(TableOptions options, std::shared_ptr<const NameBook> names, std::ostream* warnings,
           RankingListener* rankings, unsigned threads);

  // Before the reports of `radius` are opened: reads the files the options
  // name, says their warnings, calibrates (writing the calibration file) and
  // opens the table and the short list. Throws RunFailure before any file is
  // opened when a file the options name is bad (nothing on standard output,
  // the reason in detail()). Returns the listener the engine ranks with.
  // `tables` must outlive the call to finish().
  ParallelListener& start(const CheckedTables& tables, int32_t radius);

  // After the analysis: closes the table and the short list and puts them in
  // place. Appends the paths of the table, of the short list and of the
  // calibration that could not be written, in that order.
  void finish(std::vector<std::string>& unwritten);

 private:
  TableOptions options_;
  std::shared_ptr<const NameBook> names_;
  std::ostream* warnings_;
  RankingListener* rankings_;
  unsigned threads_;
  // This radius's: the tables as the ranking reads them, the table, its files.
  std::optional<GenotypeTables> genotypes_;
  std::unique_ptr<RankedTable> table_;
  std::unique_ptr<ReplacedFile> tableFile_;
  std::unique_ptr<ReplacedFile> shortListFile_;
  std::string calibrationUnwritten_;
};
