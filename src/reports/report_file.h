#pragma once
#include <string>

// Where a report's text goes: a file, or memory in tests.
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Takes all of `text` and empties it.
  virtual void write(std::string& text) = 0;
  // Ends the report. True when every byte reached its destination.
  virtual bool close() = 0;

  // Writes `text` once it holds at least kFlushBytes, so reports of any size go
  // out in large pieces from a buffer that stays small enough to stay cached.
  static constexpr size_t kFlushBytes = size_t{1} << 18;
  void flushIfLarge(std::string& text) {
    if (text.size() >= kFlushBytes) write(text);
  }
};

// A report file written in large pieces from a text buffer, every write
// checked, so a full disk or an unopenable path is noticed, never ignored.
class ReportFile : public ReportSink {
 public:
  // Creates or empties `name` for writing.
  explicit ReportFile(std::string name);
  ~ReportFile() override;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Nothing more is written once a write has failed.
  void write(std::string& text) override;
  // True when the file was opened, fully written and closed.
  bool close() override;

  // True when both reports were opened on one regular file (a name linked to
  // the other).
  bool sharesFileWith(const ReportFile& other) const;
  // Closes the file unwritten and swallows the writes to come, for a file that
  // a report opened later writes in full. close() still tells whether the
  // file could be opened.
  void leaveToLaterReport();

  const std::string& name() const { return name_; }

 private:
  std::string name_;
  int fd_ = -1;
  bool ok_ = false;
  bool leftToLater_ = false;
};
