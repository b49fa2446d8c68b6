#include "input/table_reading.h"

#include "input/table_chunks.h"
#include "input/table_file.h"

namespace {

// The pieces the file is read in on one thread: lines may span them.
constexpr size_t kPieceBytes = size_t{1} << 16;

ParsedTable readSerially(TableFile& file, char commentMarker, int32_t missing) {
  TableParser parser(commentMarker, missing);
  char buffer[kPieceBytes];
  for (size_t n; (n = file.read(buffer, sizeof buffer)) > 0;) {
    if (!parser.feed(std::string_view(buffer, n))) break;
  }
  parser.finish();
  return std::move(parser.table());
}

}  // namespace

ParsedTable readTableFile(const std::string& name, char commentMarker, int32_t missing,
                          const TableReading& how) {
  TableFile file(name);
  if (how.threads > 1 && file.regularSize() >= how.parallelFromBytes) {
    return readInChunks(file, commentMarker, missing, how.threads, how.chunkBytes);
  }
  return readSerially(file, commentMarker, missing);
}
