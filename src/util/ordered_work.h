#pragma once
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Runs numbered pieces of work on several threads and hands their results
// over in number order, whatever order they finish in: the one parallel
// engine of the program (the table reader's chunks, the analysis's blocks of
// offspring). A piece goes through three steps:
//   take(index, piece)           one piece at a time, in number order (reading
//                                the next chunk of a file); false: no piece
//                                `index`, the pieces end before it
//   work(worker, index, piece)   on any worker, several at once
//   release(piece)               one piece at a time, in number order, always
//                                the piece whose turn it is; false: no piece
//                                after this one is wanted
// A piece that finishes early waits in memory, and at most `ahead` pieces per
// thread are taken ahead of the one released, so memory stays bounded by the
// threads, not by the input or the output. A piece whose result grows large
// mid-way waits for its turn and releases it (flushEarly).
//
// The results are those of one thread doing the pieces one after the other:
// a step that throws for piece i stops the pieces after i, the pieces before
// it are still worked and released, and then run() rethrows it; a release
// that says stop at piece j drops every piece after j, failures included.
template <typename Piece>
class OrderedWork {
 public:
  using Take = std::function<bool(size_t, Piece&)>;
  using Work = std::function<void(unsigned, size_t, Piece&)>;
  using Release = std::function<bool(Piece&)>;

  // `threads` workers (at least 1), the calling thread among them.
  OrderedWork(unsigned threads, size_t ahead)
      : threads_(threads < 1 ? 1 : threads), window_(ahead * threads_) {}

  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // Runs every piece, the calling thread being worker 0 (when a thread cannot
  // be started, the ones running do all the pieces). Called once.
  void run(Take take, Work work, Release release) {
    take_ = std::move(take);
    work_ = std::move(work);
    release_ = std::move(release);
    std::vector<std::thread> helpers;
    for (unsigned worker = 1; worker < threads_; ++worker) {
      try {
        helpers.emplace_back([this, worker] { loop(worker); });
      } catch (const std::system_error&) {
        break;
      }
    }
    loop(0);
    for (std::thread& helper : helpers) helper.join();
    done_.clear();
    if (failure_) std::rethrow_exception(failure_);
  }

  // From within work for piece `index`: waits until every earlier piece is
  // released, then releases `piece` as it is (release empties it). A piece
  // dropped meanwhile (an earlier one failed or said stop) ends here quietly.
  void flushEarly(size_t index, Piece& piece) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return head_ == index || index >= end_; });
      if (index >= end_) throw Dropped{};
    }
    // The piece's turn: no other thread releases until it is finished.
    if (!releaseAt(index, piece)) throw Dropped{};
  }

 private:
  struct Dropped {};  // the piece's result is no longer wanted

  static constexpr size_t kNone = std::numeric_limits<size_t>::max();

  void loop(unsigned worker) {
    Piece piece;
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return next_ >= end_ || (!taking_ && next_ < head_ + window_); });
        if (next_ >= end_) return;
        index = next_++;
        taking_ = true;
      }
      bool taken = false;
      try {
        taken = take_(index, piece);
      } catch (...) {
        fail(index, std::current_exception());
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        taking_ = false;
        if (!taken && index < end_) end_ = index;
      }
      changed_.notify_all();
      if (!taken) return;
      try {
        work_(worker, index, piece);
      } catch (const Dropped&) {
        return;
      } catch (...) {
        fail(index, std::current_exception());
        return;
      }
      finish(index, piece);
    }
  }

  // Records a failure of piece `index`: the pieces from it on are dropped.
  void fail(size_t index, std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < end_) {
      end_ = index;
      failure_ = std::move(failure);
    }
    changed_.notify_all();
  }

  // Releases piece `index`, whose turn it is; false when it failed or said
  // stop (the pieces after it are then dropped).
  bool releaseAt(size_t index, Piece& piece) {
    bool goOn = false;
    try {
      goOn = release_(piece);
    } catch (...) {
      fail(index, std::current_exception());
      return false;
    }
    if (goOn) return true;
    std::lock_guard<std::mutex> lock(mutex_);
    // The piece is released, so end_ is after it: any failure was of a later piece.
    end_ = index + 1;
    failure_ = nullptr;
    changed_.notify_all();
    return false;
  }

  // Releases the piece when its turn has come, with the finished pieces after
  // it; otherwise leaves it for the piece before it to release.
  void finish(size_t index, Piece& piece) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (index >= end_) return;
      if (head_ != index) {
        Piece spare;
        if (!spare_.empty()) {
          spare = std::move(spare_.back());
          spare_.pop_back();
        }
        done_.emplace(index, std::move(piece));
        piece = std::move(spare);
        return;
      }
    }
    if (!releaseAt(index, piece)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ++head_;
      changed_.notify_all();
      if (head_ >= end_) return;
      const auto waiting = done_.find(head_);
      if (waiting == done_.end()) return;
      const size_t at = head_;
      Piece next = std::move(waiting->second);
      done_.erase(waiting);
      // Released outside the lock: no other thread releases while it is this piece's turn.
      lock.unlock();
      const bool goOn = releaseAt(at, next);
      lock.lock();
      spare_.push_back(std::move(next));
      if (!goOn) return;
    }
  }

  const unsigned threads_;
  const size_t window_;
  Take take_;
  Work work_;
  Release release_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;        // the next piece to take
  size_t head_ = 0;        // the piece whose turn it is to be released
  size_t end_ = kNone;     // the first piece not wanted (none taken, failed, after a stop)
  bool taking_ = false;    // a thread is taking the next piece
  std::map<size_t, Piece> done_;  // finished pieces waiting for their turn
  std::vector<Piece> spare_;      // released pieces, kept for their memory
  std::exception_ptr failure_;    // the failure of piece end_, if that is why it ends
};
