#include "ranking/known_mothers.h"

#include "ranking/field_split.h"
#include "ranking/individual_lookup.h"
#include "util/text_file.h"

std::vector<int32_t> readKnownMothers(const std::string& path, const GenotypeTables& tables,
                                      const NameBook* names) {
  const TextFile file("known mothers", path);
  const IndividualLookup lookup(tables, names);
  std::vector<int32_t> known(tables.offspring.size(), -1);
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& tabbed) {
    const std::vector<std::string> fields = splitFields(tabbed);
    if (fields.size() != 2) file.fail(line, "expected two fields: offspring mother");
    std::string problem;
    const int32_t offspring = lookup.find(fields[0], Role::Offspring, problem);
    if (offspring < 0) file.fail(line, problem);
    const int32_t mother = lookup.find(fields[1], Role::Mother, problem);
    if (mother < 0) file.fail(line, problem);
    int32_t& slot = known[static_cast<size_t>(offspring)];
    if (slot >= 0) file.fail(line, "offspring " + fields[0] + " is listed twice");
    slot = mother;
  });
  return known;
}
