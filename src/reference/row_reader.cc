#include "reference/row_reader.h"

#include "input/line_parser.h"
#include "status/run_failure.h"

bool get_row(Data& table, std::string line, int missing, std::vector<int>& row) {
  bool hasMissing = false;
  switch (parseLine(line, table.commentMarker(), missing, row, hasMissing)) {
    case LineKind::Unreadable:
      throw RunFailure(kConversionMessage);
    case LineKind::Row:
      table.rowHasMissing.push_back(hasMissing);
      return true;
    case LineKind::Blank:
      // The reader skips blank lines before converting; a blank line handed
      // here directly is a row without values.
      table.rowHasMissing.push_back(false);
      return true;
    case LineKind::Comment:
      break;
  }
  return false;
}
