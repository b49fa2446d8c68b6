#pragma once
#include <cstddef>
#include <string>

// A genotype file open for reading, read-only (the tables are never written,
// so a write-protected file is fine). The constructor throws RunFailure with
// "can not find <name> input file\n" when the file cannot be opened for reading
// or is a directory; read throws "can not read <name> input file\n" on a read
// error.
class TableFile {
 public:
  explicit TableFile(const std::string& name);
  ~TableFile();
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  // The size of a regular file, 0 for anything else (a pipe, a device).
  size_t regularSize() const { return regularSize_; }

  // Reads up to `size` bytes into `buffer`; returns how many, 0 at the end.
  size_t read(char* buffer, size_t size);

 private:
  std::string name_;
  int fd_ = -1;
  size_t regularSize_ = 0;
};
