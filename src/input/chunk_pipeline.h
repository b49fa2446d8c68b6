#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "input/line_parser.h"
#include "input/table_file.h"

// Reads a table file in chunks of whole lines, parsed on worker threads and
// joined in file order, with a fixed number of chunks in flight.
class ChunkPipeline {
 public:
  // Starts up to `threads` workers (at most kMaxWorkers); fewer, maybe none,
  // when a thread cannot be started.
  ChunkPipeline(char commentMarker, int32_t missing, unsigned threads);
  // Stops the workers once they finish the chunk in hand.
  ~ChunkPipeline();
  ChunkPipeline(const ChunkPipeline&) = delete;
  ChunkPipeline& operator=(const ChunkPipeline&) = delete;

  unsigned workers() const { return static_cast<unsigned>(threads_.size()); }

  // The table of the rest of `file`, as one TableParser fed all of it: the
  // chunks hold about `chunkBytes` each, cut after their last line feed.
  // Precondition: workers() > 0, called once. Throws the read failure unless
  // a line read before it is unreadable (that line's table comes back).
  ParsedTable read(TableFile& file, size_t chunkBytes);

  static constexpr unsigned kMaxWorkers = 8;

 private:
  struct Chunk {
    std::string text;
    ParsedTable table;
    size_t lines = 0;
    bool parsed = false;
    std::exception_ptr failure;
  };

  void work();
  void parse(Chunk& chunk) const;
  // Waits for the oldest chunk and appends its rows; false once a line is unreadable.
  bool joinOldest(ParsedTable& table, size_t& linesBefore);

  const char marker_;
  const int32_t missing_;
  std::mutex mutex_;
  std::condition_variable work_;    // a chunk is waiting, or stop_
  std::condition_variable parsed_;  // a chunk is parsed
  std::deque<Chunk*> waiting_;
  bool stop_ = false;
  std::deque<std::unique_ptr<Chunk>> inFlight_;  // read, not yet joined, in file order
  std::vector<std::thread> threads_;
};
