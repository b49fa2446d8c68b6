#include "input/data.h"

#include "input/line_parser.h"
#include "input/located_error.h"
#include "input/table_reading.h"
#include "status/run_failure.h"

Data::Data(const std::string& fileName, int missing, const std::string& comment, unsigned threads)
    : comment(comment), fileName(fileName) {
  // Parsed as it is read, so a large table is never held twice.
  TableReading how;
  how.threads = threads;
  flaggedMissing = missing;
  take(readTableFile(fileName, commentMarker(), missing, how));
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
  flaggedMissing = missing;
  take(parseTable(text, commentMarker(), missing));
}

void Data::take(ParsedTable&& table) {
  if (table.unreadable) {
    throw RunFailure(kConversionMessage, describeBadToken(fileName, table.badToken));
  }
  rows = std::move(table.rows);
  rowHasMissing = std::move(table.rowHasMissing);
  rowLines = std::move(table.rowLines);
  textAfterDigits = std::move(table.textAfterDigits);
}
