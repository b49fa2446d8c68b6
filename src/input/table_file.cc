#include "input/table_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "status/run_failure.h"

TableFile::TableFile(const std::string& name) : name_(name) {
  const RunFailure notFound("can not find " + name + " input file\n");
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw notFound;
  struct stat info {};
  // A directory opens for reading and only fails on the first read.
  if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd_);
    throw notFound;
  }
  if (S_ISREG(info.st_mode) && info.st_size > 0) regularSize_ = static_cast<size_t>(info.st_size);
}

TableFile::~TableFile() { ::close(fd_); }

size_t TableFile::read(char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw RunFailure("can not read " + name_ + " input file\n");
  }
}
