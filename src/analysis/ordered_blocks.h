#pragma once
#include <cstddef>
#include <functional>

#include "util/ordered_work.h"

// The analysis's blocks of offspring on the shared ordered engine
// (util/ordered_work.h): a known number of blocks, computed on several
// threads and written in block order, one writer at a time. At most kAhead
// blocks per thread run ahead of the one written. `write` must leave the
// output empty, ready for another block.
template <typename Output>
class OrderedBlocks {
 public:
  static constexpr size_t kAhead = 4;  // blocks computed ahead of the writer, per thread

  // compute(worker, block, output): fills `output` with block `block`'s
  // output, on worker `worker` (0 .. threads - 1; each runs one block at a time).
  using Compute = std::function<void(unsigned, size_t, Output&)>;

  OrderedBlocks(size_t blocks, unsigned threads, std::function<void(Output&)> write)
      : blocks_(blocks), write_(std::move(write)), work_(threads, kAhead) {}

  // Runs every block, the calling thread being worker 0. A block that throws
  // stops the blocks after it; the exception is rethrown here.
  void run(const Compute& compute) {
    const size_t blocks = blocks_;
    work_.run([blocks](size_t block, Output&) { return block < blocks; }, compute,
              [this](Output& output) {
                write_(output);
                return true;
              });
  }

  // From within compute for `block`: waits until every earlier block is
  // written, then writes `output` (and empties it).
  void flushEarly(size_t block, Output& output) { work_.flushEarly(block, output); }

 private:
  const size_t blocks_;
  const std::function<void(Output&)> write_;
  OrderedWork<Output> work_;
};
