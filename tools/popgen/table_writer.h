#pragma once
#include <cstdio>
#include <string>

// Writes a text table through a large buffer; integers are formatted without
// the stream machinery, which keeps a 200000-row table to a fraction of a second.
class TableWriter {
 public:
  // Opens (creates or empties) `path`. ok() tells whether that worked.
  explicit TableWriter(const std::string& path);
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  void text(const std::string& s);
  void number(long long value);
  void space() { put(' '); }
  void endLine() { put('\n'); }

  // Writes what is buffered and closes the file. Returns false, with the
  // system's reason in `error`, when the file could not be opened, written or
  // closed (a full disk included).
  bool close(std::string& error);
  bool ok() const { return file_ != nullptr && errno_ == 0; }

 private:
  void put(char c) {
    buffer_.push_back(c);
    if (buffer_.size() >= kFlushAt) flush();
  }
  void flush();

  static constexpr size_t kFlushAt = 1 << 20;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  int errno_ = 0;  // the first failure, 0 while all is well
};
