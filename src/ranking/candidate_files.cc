#include "ranking/candidate_files.h"

#include <unordered_map>
#include <vector>

#include "ranking/field_split.h"
#include "ranking/individual_lookup.h"
#include "util/text_file.h"

namespace {

const char* const kByteOrderMark = "\xEF\xBB\xBF";

// `role` as a Role, or false when it is not one of the three words.
bool readRole(const std::string& word, Role& role) {
  if (word == "mother") {
    role = Role::Mother;
  } else if (word == "father") {
    role = Role::Father;
  } else if (word == "offspring") {
    role = Role::Offspring;
  } else {
    return false;
  }
  return true;
}

}  // namespace

void readGroupsFile(const std::string& path, const GenotypeTables& tables, const NameBook* names,
                    CandidateFilter& filter) {
  const TextFile file("groups", path);
  const IndividualLookup lookup(tables, names);
  std::unordered_map<std::string, int32_t> groupNumbers;
  bool header = true;
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& given) {
    if (header) {
      std::vector<std::string> fields = given;
      if (fields[0].rfind(kByteOrderMark, 0) == 0) fields[0].erase(0, 3);
      const std::vector<std::string> byName = {"name", "role", "group"};
      if (fields == byName && names == nullptr) file.fail(line, "a name column needs --names");
      if (fields != byName && fields != std::vector<std::string>{"number", "role", "group"}) {
        file.fail(line, "expected the header number<TAB>role<TAB>group");
      }
      header = false;
      return;
    }
    if (given.size() != 3) file.fail(line, "expected three tab-separated fields: number role group");
    Role role = Role::Offspring;
    if (!readRole(given[1], role)) file.fail(line, "role '" + given[1] + "' is not mother, father or offspring");
    if (given[2].empty()) file.fail(line, "the group is empty");
    std::string problem;
    const int32_t row = lookup.find(given[0], role, problem);
    if (row < 0) file.fail(line, problem);
    const int32_t group =
        groupNumbers.emplace(given[2], static_cast<int32_t>(groupNumbers.size())).first->second;
    if (role == Role::Offspring) {
      filter.addOffspringGroup(static_cast<size_t>(row), group);
    } else {
      filter.addParentGroup(static_cast<size_t>(row), group);
    }
  });
  if (header) file.fail(0, "the file is empty");
}

void readExclusionsFile(const std::string& path, const GenotypeTables& tables,
                        const NameBook* names, CandidateFilter& filter) {
  const TextFile file("exclusions", path);
  const IndividualLookup lookup(tables, names);
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& tabbed) {
    const std::vector<std::string> fields = splitFields(tabbed);
    if (fields.size() != 2) file.fail(line, "expected two fields: offspring candidate");
    std::string problem;
    const int32_t offspring = lookup.find(fields[0], Role::Offspring, problem);
    if (offspring < 0) file.fail(line, problem);
    const int32_t parent = lookup.find(fields[1], Role::Parent, problem);
    if (parent < 0) file.fail(line, problem);
    // A candidate listed in both roles (hermaphrodites) is ruled out in both.
    for (const Role role : {Role::Mother, Role::Father}) {
      std::string ignored;
      const int32_t row = lookup.find(fields[1], role, ignored);
      if (row >= 0) filter.exclude(static_cast<size_t>(offspring), row);
    }
  });
}
