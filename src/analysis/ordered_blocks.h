#pragma once
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Computes numbered blocks of work on several threads and writes their output
// in block order, whatever order they finish in. Output is written by one
// thread at a time, always the block whose turn it is: a block that finishes
// early waits in memory (at most kAhead blocks run ahead of the one written),
// and a block whose output grows large mid-way waits for its turn and writes
// it out (flushEarly), so memory stays bounded by the threads, not the output.
// `write` must leave the output empty, ready for another block.
template <typename Output>
class OrderedBlocks {
 public:
  static constexpr size_t kAhead = 4;  // blocks computed ahead of the writer, per thread

  // compute(worker, block, output): fills `output` with block `block`'s
  // output, on worker `worker` (0 .. threads - 1; each runs one block at a time).
  using Compute = std::function<void(unsigned, size_t, Output&)>;

  OrderedBlocks(size_t blocks, unsigned threads, std::function<void(Output&)> write)
      : blocks_(blocks), threads_(threads < 1 ? 1 : threads), write_(std::move(write)) {}

  // Runs every block, the calling thread being worker 0. The first exception a
  // block throws stops the blocks not yet started and is rethrown here.
  void run(const Compute& compute) {
    std::vector<std::thread> helpers;
    for (unsigned worker = 1; worker < threads_; ++worker) {
      try {
        helpers.emplace_back([this, worker, &compute] { work(worker, compute); });
      } catch (const std::system_error&) {
        break;  // no room for another thread: the ones started do the work
      }
    }
    work(0, compute);
    for (std::thread& helper : helpers) helper.join();
    if (failure_) std::rethrow_exception(failure_);
  }

  // From within compute for `block`: waits until every earlier block is
  // written, then writes `output` (and empties it).
  void flushEarly(size_t block, Output& output) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return head_ == block || failure_; });
      if (failure_) throw Abandoned{};
    }
    write_(output);
  }

 private:
  struct Abandoned {};  // another block failed: this one stops quietly

  void work(unsigned worker, const Compute& compute) {
    Output output;
    for (;;) {
      size_t block = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
          return failure_ || next_ >= blocks_ || next_ < head_ + kAhead * threads_;
        });
        if (failure_ || next_ >= blocks_) return;
        block = next_++;
      }
      try {
        compute(worker, block, output);
        finish(block, output);
      } catch (const Abandoned&) {
        return;
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!failure_) failure_ = std::current_exception();
        changed_.notify_all();
        return;
      }
    }
  }

  // Writes the block's output when its turn has come, with the finished blocks
  // after it; otherwise leaves the output for the block before it to write.
  void finish(size_t block, Output& output) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (head_ != block) {
        Output spare;
        if (!spare_.empty()) {
          spare = std::move(spare_.back());
          spare_.pop_back();
        }
        done_.emplace(block, std::move(output));
        output = std::move(spare);
        return;
      }
    }
    write_(output);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!failure_) {
      ++head_;
      changed_.notify_all();
      const auto waiting = done_.find(head_);
      if (waiting == done_.end()) return;
      Output next = std::move(waiting->second);
      done_.erase(waiting);
      // Written outside the lock: no other thread writes while it is this block's turn.
      lock.unlock();
      write_(next);
      lock.lock();
      spare_.push_back(std::move(next));
    }
  }

  const size_t blocks_;
  const unsigned threads_;
  const std::function<void(Output&)> write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;                // the next block to start
  size_t head_ = 0;                // the block whose output is written now
  std::map<size_t, Output> done_;  // finished blocks waiting for their turn
  std::vector<Output> spare_;      // written outputs, kept for their memory
  std::exception_ptr failure_;
};
