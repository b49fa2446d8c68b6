#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/analyse.h"
#include "analysis/run_progress.h"
#include "reports/report_sink.h"

// Reads a size for --max-output: a whole number of bytes, or one followed by
// K, M, G or T (powers of 1024, either case), from 1 byte to 2^62. False for
// anything else (a sign, a point, blanks, another letter, too many digits).
bool readSize(const std::string& text, uint64_t& bytes);

// A size as "41.9G" (powers of 1024, one decimal; plain bytes below 1K).
std::string sizeText(uint64_t bytes);

// Watches the reports of one analysis as they are written and stops them
// before they grow past a limit: the smaller of `limit` (0: none) and the
// space free in `folder` for this user. Once the bytes written pass it, or,
// under --max-output, the reports' size estimated from the offspring done so
// far (at least kSample of them, or all) does, every sink handed out fails,
// so the engine stops early; overSize() then says why, and the caller keeps the old
// reports. Sinks and progress are valid while the guard lives.
class SizeGuard {
 public:
  static constexpr size_t kSample = 256;
  SizeGuard(uint64_t limit, const std::string& folder, ReportSinks sinks, RunProgress* progress);
  ~SizeGuard();
  SizeGuard(const SizeGuard&) = delete;
  SizeGuard& operator=(const SizeGuard&) = delete;

  ReportSinks sinks();
  RunProgress* progress();
  // "" while within the limit; otherwise the message for standard error.
  std::string overSize() const;
  // True when the limit that stopped the reports is --max-output's.
  bool byOption() const { return byOption_; }

 private:
  class Sink;
  class Progress;
  void wrote(size_t bytes);
  void check(size_t done, size_t total);

  uint64_t limit_ = 0;   // the smaller one; 0 when none applies
  bool byOption_ = false;  // the limit is --max-output's, not the free space
  std::string folder_;
  uint64_t written_ = 0;
  uint64_t estimate_ = 0;
  size_t sampled_ = 0;   // offspring the estimate came from
  size_t total_ = 0;
  bool tripped_ = false;
  std::unique_ptr<Sink> sinks_[3];
  std::unique_ptr<Progress> progress_;
};
