#include "ranking/field_split.h"

#include <algorithm>

std::vector<std::string> splitFields(const std::vector<std::string>& tabbed) {
  std::vector<std::string> fields;
  const auto addTrimmed = [&fields](const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first != std::string::npos) {
      fields.push_back(text.substr(first, text.find_last_not_of(' ') + 1 - first));
    }
  };
  if (tabbed.size() > 1) {
    for (const std::string& field : tabbed) addTrimmed(field);
    return fields;
  }
  const std::string& line = tabbed.front();
  for (size_t from = 0; from < line.size();) {
    const size_t stop = std::min(line.find(' ', from), line.size());
    addTrimmed(line.substr(from, stop - from));
    from = stop + 1;
  }
  return fields;
}
