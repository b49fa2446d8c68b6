#include "input/data.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "input/line_parser.h"
#include "input/located_error.h"
#include "status/run_failure.h"

namespace {

// Reads `name` in large pieces, handing each to `consume` until it returns
// false. Throws RunFailure when the file cannot be opened for reading (or is a
// directory) or a read fails.
template <typename Consume>
void readInPieces(const std::string& name, Consume consume) {
  const RunFailure notFound("can not find " + name + " input file\n");
  // Read-only: the tables are never written, so a write-protected file is fine.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw notFound;
  struct stat info {};
  // A directory opens for reading and only fails on the first read.
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    throw notFound;
  }
  char buffer[size_t{1} << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      throw RunFailure("can not read " + name + " input file\n");
    }
    if (!consume(std::string_view(buffer, static_cast<size_t>(n)))) break;
  }
  ::close(fd);
}

}  // namespace

Data::Data(const std::string& fileName, int missing, const std::string& comment)
    : comment(comment), fileName(fileName) {
  // Parsed as it is read, so a large table is never held twice.
  TableParser parser(commentMarker(), missing);
  readInPieces(fileName, [&parser](std::string_view piece) { return parser.feed(piece); });
  parser.finish();
  take(std::move(parser.table()));
}

Data Data::fromText(const std::string& text, int missing, const std::string& comment,
                    const std::string& fileName) {
  Data data;
  data.comment = comment;
  data.fileName = fileName;
  data.loadText(text, missing);
  return data;
}

void Data::loadText(const std::string& text, int missing) {
  take(parseTable(text, commentMarker(), missing));
}

void Data::take(ParsedTable&& table) {
  if (table.unreadable) {
    throw RunFailure(kConversionMessage, describeBadToken(fileName, table.badToken));
  }
  rows = std::move(table.rows);
  rowHasMissing = std::move(table.rowHasMissing);
  rowLines = std::move(table.rowLines);
}
