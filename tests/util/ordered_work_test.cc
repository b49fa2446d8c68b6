// The ordered engine alone: whatever order the pieces finish in, what is
// released is what one thread doing them in turn would release. CI also runs
// these under ThreadSanitizer (.ci/run, build-tsan).
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "util/ordered_work.h"

namespace {

// Piece i's work: its number as text, after a delay that makes later pieces
// often finish first.
void slowText(size_t index, std::string& piece) {
  std::this_thread::sleep_for(std::chrono::microseconds((index * 7919) % 5 * 100));
  piece = std::to_string(index) + ";";
}

std::string numbers(size_t from, size_t to) {
  std::string text;
  for (size_t i = from; i < to; ++i) text += std::to_string(i) + ";";
  return text;
}

// Runs `count` pieces (each failing when `fails` says so, the release saying
// stop after `stopAt`), returning what was released and the failure's text.
struct Outcome {
  std::string released;
  std::string failure;
};

Outcome runPieces(unsigned threads, size_t count, size_t failAt, size_t stopAt, bool failInTake) {
  Outcome outcome;
  OrderedWork<std::string> work(threads, 2);
  try {
    work.run(
        [&](size_t index, std::string&) {
          if (failInTake && index == failAt) throw std::runtime_error("take " + std::to_string(index));
          return index < count;
        },
        [&](unsigned, size_t index, std::string& piece) {
          slowText(index, piece);
          if (!failInTake && index == failAt) throw std::runtime_error("work " + std::to_string(index));
        },
        [&](std::string& piece) {
          outcome.released += piece;
          const bool goOn = piece != std::to_string(stopAt) + ";";
          piece.clear();
          return goOn;
        });
  } catch (const std::runtime_error& failure) {
    outcome.failure = failure.what();
  }
  return outcome;
}

constexpr size_t kNever = 1000000;

TEST(OrderedWork, ReleasesInOrderForEveryThreadCount) {
  for (unsigned threads : {1u, 2u, 3u, 8u}) {
    SCOPED_TRACE(threads);
    const Outcome outcome = runPieces(threads, 60, kNever, kNever, false);
    EXPECT_EQ(outcome.released, numbers(0, 60));
    EXPECT_EQ(outcome.failure, "");
    EXPECT_EQ(runPieces(threads, 0, kNever, kNever, false).released, "");
  }
}

TEST(OrderedWork, AFailureComesAfterThePiecesBeforeIt) {
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    for (bool inTake : {false, true}) {
      const Outcome outcome = runPieces(threads, 60, 23, kNever, inTake);
      EXPECT_EQ(outcome.released, numbers(0, 23));
      EXPECT_EQ(outcome.failure, std::string(inTake ? "take" : "work") + " 23");
    }
  }
}

TEST(OrderedWork, AStopDropsThePiecesAfterItFailuresIncluded) {
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    const Outcome outcome = runPieces(threads, 60, 31, 30, false);
    EXPECT_EQ(outcome.released, numbers(0, 31));
    EXPECT_EQ(outcome.failure, "");
  }
}

TEST(OrderedWork, AnEarlyFlushWaitsForItsTurn) {
  for (unsigned threads : {1u, 2u, 4u}) {
    SCOPED_TRACE(threads);
    std::string released;
    OrderedWork<std::string> work(threads, 4);
    work.run([](size_t index, std::string&) { return index < 40; },
             [&work](unsigned, size_t index, std::string& piece) {
               slowText(index, piece);
               work.flushEarly(index, piece);
               piece = "+";
             },
             [&released](std::string& piece) {
               released += piece;
               piece.clear();
               return true;
             });
    std::string expected;
    for (size_t i = 0; i < 40; ++i) expected += std::to_string(i) + ";+";
    EXPECT_EQ(released, expected);
  }
}

}  // namespace
