#pragma once
#include <sys/types.h>

#include <string>

#include "reports/report_sink.h"

// A report, table or page written in large pieces to a file opened for it,
// every write checked, so a full disk, a file-size limit or an unopenable
// path is noticed, never ignored. The file counts as written once sync() has it on
// disk.
class CheckedFile : public ReportSink {
 public:
  // Writes to `fd`. With `bodyFd` (a second, readable and writable file),
  // write() goes there and close() appends it after the head, so the body
  // waits on disk instead of in memory. A negative `fd` is a report that has
  // failed already. Takes both descriptors.
  CheckedFile(int fd, int bodyFd = -1);
  ~CheckedFile() override;
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

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
