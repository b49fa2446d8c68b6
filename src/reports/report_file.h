#pragma once
#include <sys/types.h>

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

// A report written in large pieces to a file opened for it, every write
// checked, so a full disk, a file-size limit or an unopenable path is
// noticed, never ignored. The file counts as written once sync() has it on
// disk.
class ReportFile : public ReportSink {
 public:
  // Writes to `fd`. With `bodyFd` (a second, readable and writable file),
  // write() goes there and close() appends it after the head, so the body
  // waits on disk instead of in memory. A negative `fd` is a report that has
  // failed already. Takes both descriptors.
  ReportFile(int fd, int bodyFd = -1);
  ~ReportFile() override;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Nothing more is written once a write has failed.
  void write(std::string& text) override;
  void writeHead(std::string& head) override;
  // True when every byte was written; the disk is asked to store them, and
  // sync() waits for it. The same answer when called again.
  bool close() override;
  // Closes the file once every byte is on the disk: true when all of it is.
  bool sync();
  bool failed() const override { return !ok_; }

 private:
  void writeTo(int fd, std::string& text);
  void startWriteback(off_t bytes);
  void fail();
  void appendBody();

  int fd_;
  int bodyFd_;
  bool ok_;
  off_t written_ = 0;    // bytes of the report written to fd_
  off_t startedTo_ = 0;  // how far the disk has been asked to write them
};
