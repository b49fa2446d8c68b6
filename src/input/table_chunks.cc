#include "input/table_chunks.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "util/ordered_work.h"

namespace {

// Chunks read and not yet joined, per thread: one in hand and one waiting.
constexpr size_t kChunksPerWorker = 2;

// Reads the next chunk into `text`: `carry` (the start of a line the last
// chunk cut off), then about `chunkBytes` of the file, cut after the last
// line feed, the rest going to `carry`; a line longer than a chunk is read
// whole, unless it is known from its start (see knownFromStart) to be
// unreadable (the chunk then ends with it, the file is read no further) or a
// comment (its start is kept, the rest skipped). Returns false at the end of
// the file, `text` then holding all the rest.
bool readChunk(TableFile& file, size_t chunkBytes, char commentMarker, std::string& carry,
               std::string& text) {
  text.swap(carry);
  carry.clear();
  size_t nextCheck = 2 * chunkBytes;
  bool skipping = false;  // the rest of a comment line: read, not kept
  for (;;) {
    const size_t had = skipping ? 0 : text.size();
    std::string skipped;
    std::string& into = skipping ? skipped : text;
    into.resize(had + chunkBytes);
    size_t got = 0;
    while (got < chunkBytes) {
      const size_t n = file.read(&into[had + got], chunkBytes - got);
      if (n == 0) break;
      got += n;
    }
    into.resize(had + got);
    if (got == 0) {
      if (skipping) text += '\n';
      return false;
    }
    // The carried start holds no line feed: only the new text is searched.
    const size_t lastFeed = std::string_view(into).substr(had).rfind('\n');
    if (skipping) {
      if (lastFeed == std::string_view::npos) continue;
      skipping = false;
      text.append(skipped, skipped.find('\n'), std::string::npos);
      const size_t end = text.rfind('\n');
      carry.assign(text, end + 1, std::string::npos);
      text.resize(end + 1);
      return true;
    }
    if (lastFeed != std::string_view::npos) {
      carry.assign(text, had + lastFeed + 1, std::string::npos);
      text.resize(had + lastFeed + 1);
      return true;
    }
    if (text.size() < nextCheck) continue;
    nextCheck = 2 * text.size();
    switch (knownFromStart(text, commentMarker)) {
      case LineStart::Open:
        break;
      case LineStart::Unreadable:
        return true;
      case LineStart::Comment:
        skipping = true;
        break;
    }
  }
}

// Appends a chunk's table to `table`, its line numbers counted on from the
// `linesBefore` lines of the earlier chunks.
void append(ParsedTable& table, ParsedTable&& chunk, size_t linesBefore) {
  table.rows.insert(table.rows.end(), std::make_move_iterator(chunk.rows.begin()),
                    std::make_move_iterator(chunk.rows.end()));
  table.rowHasMissing.insert(table.rowHasMissing.end(), chunk.rowHasMissing.begin(),
                             chunk.rowHasMissing.end());
  for (size_t line : chunk.rowLines) table.rowLines.push_back(linesBefore + line);
  table.textAfterDigits.append(chunk.textAfterDigits, linesBefore);
  if (chunk.unreadable) {
    table.unreadable = true;
    table.badToken = std::move(chunk.badToken);
    table.badToken.line += linesBefore;
  }
}

// A chunk: its text while it waits to be parsed, then its rows.
struct Chunk {
  std::string text;
  ParsedTable table;
  size_t lines = 0;
};

}  // namespace

ParsedTable readInChunks(TableFile& file, char commentMarker, int32_t missing, unsigned threads,
                         size_t chunkBytes) {
  ParsedTable table;
  size_t linesBefore = 0;
  std::string carry;
  bool more = true;
  OrderedWork<Chunk> chunks(std::min(threads, kMostChunkThreads), kChunksPerWorker);
  chunks.run(
      [&](size_t, Chunk& chunk) {
        if (!more) return false;
        more = readChunk(file, chunkBytes, commentMarker, carry, chunk.text);
        return !chunk.text.empty();
      },
      [commentMarker, missing](unsigned, size_t, Chunk& chunk) {
        TableParser parser(commentMarker, missing);
        parser.feed(chunk.text);
        parser.finish();
        chunk.lines = parser.lines();
        chunk.table = std::move(parser.table());
        chunk.text.clear();  // kept for its memory: the next chunk read into it
      },
      [&](Chunk& chunk) {
        append(table, std::move(chunk.table), linesBefore);
        linesBefore += chunk.lines;
        // An unreadable line ends the table: the chunks after it are dropped.
        return !table.unreadable;
      });
  return table;
}
