#pragma once
#include <memory>

#include "analysis/offspring_listener.h"

// An output computed on the search threads and written in offspring order:
// each thread's OffspringWorker hears the offspring it searched and fills a
// BlockPiece; the writer hands the pieces, in offspring order, to the
// ParallelListener. Unlike an OffspringListener, it never makes the threads
// wait for one another.

// What a worker made for a run of consecutive offspring.
class BlockPiece {
 public:
  virtual ~BlockPiece() = default;
};

// One per search thread, used by that thread alone.
class OffspringWorker {
 public:
  virtual ~OffspringWorker() = default;
  // An empty piece. Pieces move between the threads of one run: every worker
  // of a listener makes the same kind.
  virtual std::unique_ptr<BlockPiece> newPiece() = 0;
  // Called once per offspring, in offspring order within a block, blocks in
  // any order; adds what it makes to `piece`.
  virtual void offspringDone(const OffspringOutcome& outcome, BlockPiece& piece) = 0;
};

class ParallelListener {
 public:
  virtual ~ParallelListener() = default;
  // One worker per thread, made on that thread before its first offspring;
  // the threads may call it at the same time.
  virtual std::unique_ptr<OffspringWorker> newWorker() = 0;
  // Called for one thread at a time, pieces in offspring order; leaves
  // `piece` empty, ready for more offspring.
  virtual void blockDone(BlockPiece& piece) = 0;
};
