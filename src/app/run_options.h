#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/table_options.h"

// What a run is asked to do, from the command line. The defaults are the run
// without arguments: the radius typed at the prompt, the tables and the
// reports under their fixed names in the current folder.
struct RunOptions {
  // -r, --radius: the radii to analyse, in the order given, each once. Empty:
  // the radius is asked at the prompt and read from standard input.
  std::vector<int> radii;
  std::string parentsFile = "parents.PAR";  // --parents
  std::string offspringFile = "sons.PRO";   // --offspring
  // -o, --output-dir: where the reports go, created if missing; with several
  // radii each radius's reports go to its folder "radius-R" in it.
  std::string outputDir = ".";
  bool quiet = false;  // -q, --quiet: no warnings, no progress line
  // --table and the options of the ranked table; with one radius only.
  TableOptions table;
  // --markers, --summary: the marker table and the summary page, written
  // after the reports of every radius; empty: not written.
  std::string markersFile;
  std::string summaryFile;
  // --threads: threads searching the offspring; 0, the default: the cores
  // available. The reports are the same for every count.
  unsigned threads = 0;
  // --first-father-id: parents with a lower identifier are mothers.
  int firstFatherId = 2000;
  // --max-output: the most bytes the reports of one radius may take; 0, the
  // default: only the space free in their folder limits them.
  uint64_t maxOutput = 0;
};
