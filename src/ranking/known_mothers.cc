#include "ranking/known_mothers.h"

#include <unordered_map>

#include "ranking/text_file.h"

std::vector<int32_t> readKnownMothers(const std::string& path, const GenotypeTables& tables) {
  const TextFile file("known mothers", path);
  std::unordered_map<int32_t, int32_t> motherRows;
  for (int32_t row = tables.mothers - 1; row >= 0; --row) {
    motherRows[tables.identifier(static_cast<size_t>(row))] = row;
  }
  std::vector<int32_t> known(tables.offspring.size(), -1);
  const int64_t offspring = static_cast<int64_t>(tables.offspring.size());
  file.forEachLine(0, [&](size_t line, const std::vector<std::string>& fields) {
    if (fields.size() != 2) file.fail(line, "expected two fields: offspring mother");
    int64_t number = 0;
    int64_t mother = 0;
    if (!readWholeNumber(fields[0], 1, offspring, number)) {
      file.fail(line, "offspring " + quotedField(fields[0]) + " is not a number from 1 to " +
                          std::to_string(offspring));
    }
    if (!readWholeNumber(fields[1], INT32_MIN, INT32_MAX, mother)) {
      file.fail(line, "mother " + quotedField(fields[1]) + " is not a whole number");
    }
    const auto found = motherRows.find(static_cast<int32_t>(mother));
    if (found == motherRows.end()) {
      file.fail(line, "no mother has the identifier " + fields[1] + " in the parents table");
    }
    int32_t& slot = known[static_cast<size_t>(number - 1)];
    if (slot >= 0) file.fail(line, "offspring " + fields[0] + " is listed twice");
    slot = found->second;
  });
  return known;
}
