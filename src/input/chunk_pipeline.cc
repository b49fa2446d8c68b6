#include "input/chunk_pipeline.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <system_error>

#include "status/run_failure.h"

namespace {

// Chunks read and not yet joined, per worker: one in hand and one waiting.
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

}  // namespace

ChunkPipeline::ChunkPipeline(char commentMarker, int32_t missing, unsigned threads)
    : marker_(commentMarker), missing_(missing) {
  const unsigned wanted = std::min(threads, kMaxWorkers);
  try {
    while (threads_.size() < wanted) threads_.emplace_back(&ChunkPipeline::work, this);
  } catch (const std::system_error&) {
    // The workers already started do the whole file.
  }
}

ChunkPipeline::~ChunkPipeline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void ChunkPipeline::work() {
  for (;;) {
    Chunk* chunk = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
      if (stop_) return;
      chunk = waiting_.front();
      waiting_.pop_front();
    }
    try {
      parse(*chunk);
    } catch (...) {
      chunk->failure = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      chunk->parsed = true;
    }
    parsed_.notify_all();
  }
}

void ChunkPipeline::parse(Chunk& chunk) const {
  TableParser parser(marker_, missing_);
  parser.feed(chunk.text);
  parser.finish();
  chunk.lines = parser.lines();
  chunk.table = std::move(parser.table());
  std::string().swap(chunk.text);  // only the chunks in flight hold text
}

bool ChunkPipeline::joinOldest(ParsedTable& table, size_t& linesBefore) {
  Chunk& chunk = *inFlight_.front();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    parsed_.wait(lock, [&chunk] { return chunk.parsed; });
  }
  if (chunk.failure) std::rethrow_exception(chunk.failure);
  append(table, std::move(chunk.table), linesBefore);
  linesBefore += chunk.lines;
  inFlight_.pop_front();
  return !table.unreadable;
}

ParsedTable ChunkPipeline::read(TableFile& file, size_t chunkBytes) {
  const size_t mostInFlight = kChunksPerWorker * threads_.size();
  ParsedTable table;
  size_t linesBefore = 0;
  std::string carry;
  bool more = true;
  for (;;) {
    while (more && inFlight_.size() < mostInFlight) {
      auto chunk = std::make_unique<Chunk>();
      try {
        more = readChunk(file, chunkBytes, marker_, carry, chunk->text);
      } catch (const RunFailure&) {
        // Read on one thread, the file would have stopped at an unreadable
        // line before the failure, if there is one.
        while (!inFlight_.empty()) {
          if (!joinOldest(table, linesBefore)) return table;
        }
        throw;
      }
      if (chunk->text.empty()) break;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(chunk.get());
      }
      work_.notify_one();
      inFlight_.push_back(std::move(chunk));
    }
    if (inFlight_.empty() || !joinOldest(table, linesBefore)) return table;
  }
}
