#pragma once
#include <cstddef>
#include <string>

// Where a report's text goes: a file, or memory in tests.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Takes all of `text` and empties it.
  virtual void write(std::string& text) = 0;
  // Takes `head`, which the report holds before everything write() gives,
  // whenever it comes (the family list's count is known only at the end).
  // Called at most once, before close().
  virtual void writeHead(std::string& head) = 0;
  // Ends the report. True when every byte reached its destination.
  virtual bool close() = 0;
  // True once a write has failed: nothing written later can save the report.
  virtual bool failed() const { return false; }

  // Writes `text` once it holds at least kFlushBytes, so reports of any size go
  // out in large pieces from a buffer that stays small enough to stay cached.
  static constexpr size_t kFlushBytes = size_t{1} << 18;
  void flushIfLarge(std::string& text) {
    if (text.size() >= kFlushBytes) write(text);
  }
};
