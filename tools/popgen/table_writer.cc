#include "popgen/table_writer.h"

#include <cerrno>
#include <charconv>
#include <cstring>

TableWriter::TableWriter(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) errno_ = errno != 0 ? errno : EIO;
  buffer_.reserve(kFlushAt + 64);
}

TableWriter::~TableWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

void TableWriter::text(const std::string& s) {
  buffer_ += s;
  if (buffer_.size() >= kFlushAt) flush();
}

void TableWriter::number(long long value) {
  char digits[24];
  const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
  buffer_.append(digits, r.ptr);
  if (buffer_.size() >= kFlushAt) flush();
}

void TableWriter::flush() {
  if (file_ != nullptr && errno_ == 0 && !buffer_.empty()) {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      errno_ = errno != 0 ? errno : EIO;
    }
  }
  buffer_.clear();
}

bool TableWriter::close(std::string& error) {
  flush();
  if (file_ != nullptr) {
    // fclose flushes the stdio buffer: a full disk may only show here.
    errno = 0;
    if (std::fclose(file_) != 0 && errno_ == 0) errno_ = errno != 0 ? errno : EIO;
    file_ = nullptr;
  }
  if (errno_ != 0) error = std::strerror(errno_);
  return errno_ == 0;
}
