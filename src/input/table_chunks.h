#pragma once
#include <cstddef>
#include <cstdint>

#include "input/line_parser.h"
#include "input/table_file.h"

// The most threads that read one table: beyond them the file is read faster
// than they parse.
constexpr unsigned kMostChunkThreads = 8;

// The table of the rest of `file`, as one TableParser fed all of it, read in
// chunks of whole lines of about `chunkBytes` each (cut after their last line
// feed), parsed on up to `threads` threads (at most kMostChunkThreads) and
// joined in file order, two chunks per thread in flight. Throws the read
// failure unless a line read before it is unreadable (that line's table
// comes back).
ParsedTable readInChunks(TableFile& file, char commentMarker, int32_t missing, unsigned threads,
                         size_t chunkBytes);
