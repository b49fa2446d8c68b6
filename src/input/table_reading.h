#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "input/line_parser.h"

// How a table file is read: on one thread in small pieces, or, with several
// threads and a large regular file, in chunks of whole lines parsed on
// worker threads and joined in file order.
struct TableReading {
  static constexpr size_t kChunkBytes = size_t{1} << 20;
  static constexpr size_t kParallelFromBytes = size_t{4} << 20;
  unsigned threads = 1;
  size_t chunkBytes = kChunkBytes;                // text per chunk, cut at its last line feed
  size_t parallelFromBytes = kParallelFromBytes;  // smaller files are read on one thread
};

// The table of the file `name`, the same as parseTable on its whole text
// (rows, flags, line numbers, and the first unreadable token) however it is
// read; the text is never held whole. Throws RunFailure as TableFile does when
// the file cannot be opened or read.
ParsedTable readTableFile(const std::string& name, char commentMarker, int32_t missing,
                          const TableReading& how);
