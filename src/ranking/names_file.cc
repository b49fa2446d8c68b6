#include "ranking/names_file.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "util/text_file.h"
#include "util/number_reader.h"

namespace {

// Why `name` cannot go into a table cell, or null. A control character (C0,
// DEL, or C1 written in UTF-8) would break the table's rows or drive a
// terminal; a leading =, +, - or @ makes a spreadsheet run the cell as a
// formula, and a cell changed to show it as text would no longer be the name.
const char* nameProblem(const std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool c1 = c == 0xC2 && i + 1 < name.size() &&
                    static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) return "holds a control character";
  }
  if (std::string("=+-@").find(name[0]) != std::string::npos) {
    return "starts with =, +, - or @, which a spreadsheet runs as a formula";
  }
  return nullptr;
}

// name -> (how many bear it, the smallest number among them).
void indexByName(const std::unordered_map<int64_t, std::string>& names,
                 std::unordered_map<std::string, std::pair<size_t, int64_t>>& index) {
  for (const auto& [number, name] : names) {
    auto [entry, fresh] = index.emplace(name, std::make_pair(size_t{1}, number));
    if (!fresh) {
      ++entry->second.first;
      entry->second.second = std::min(entry->second.second, number);
    }
  }
}

size_t lookUp(const std::unordered_map<std::string, std::pair<size_t, int64_t>>& index,
              const std::string& name, int64_t* number) {
  const auto found = index.find(name);
  if (found == index.end()) return 0;
  *number = found->second.second;
  return found->second.first;
}

}  // namespace

NameBook::NameBook(const std::string& path, const GenotypeTables& tables) {
  const TextFile file("names", path);
  // Where each parent was named, and as a mother or not, to check the role.
  std::unordered_map<int64_t, std::pair<size_t, bool>> parentLines;
  bool header = true;
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& fields) {
    if (header) {
      if (fields != std::vector<std::string>{"number", "role", "name"}) {
        file.fail(line, "expected the header number<TAB>role<TAB>name");
      }
      header = false;
      return;
    }
    if (fields.size() != 3) file.fail(line, "expected three tab-separated fields: number role name");
    const std::optional<int64_t> read = readWholeNumber(fields[0], INT32_MIN, INT32_MAX);
    if (!read) file.fail(line, "number " + quotedField(fields[0]) + " is not a whole number");
    const int64_t number = *read;
    const std::string& role = fields[1];
    if (role != "mother" && role != "father" && role != "offspring") {
      file.fail(line, "role " + quotedField(role) + " is not mother, father or offspring");
    }
    if (fields[2].empty()) file.fail(line, "the name is empty");
    if (const char* problem = nameProblem(fields[2])) {
      file.fail(line, "the name " + quotedField(fields[2]) + " " + problem);
    }
    auto& names = role == "offspring" ? offspring_ : parents_;
    if (!names.emplace(number, fields[2]).second) {
      file.fail(line, (role == "offspring" ? "offspring " : "parent ") + fields[0] +
                          " is named twice");
    }
    if (role != "offspring") parentLines[number] = {line, role == "mother"};
  });
  if (header) file.fail(0, "the file is empty");
  for (size_t row = 0; row < tables.parents.size(); ++row) {
    const int32_t id = tables.identifier(row);
    if (parents_.count(id) == 0) file.fail(0, "no name for parent " + std::to_string(id));
    // A repeated identifier (warned about) is checked at its first row only.
    auto& [line, asMother] = parentLines.at(id);
    if (line == 0) continue;
    if (asMother != tables.isMother(row)) {
      file.fail(line, "parent " + std::to_string(id) + " is named as a " +
                          (asMother ? "mother" : "father") + " but is a " +
                          (tables.isMother(row) ? "mother" : "father") + " in the parents table");
    }
    line = 0;
  }
  for (size_t row = 0; row < tables.offspring.size(); ++row) {
    if (offspring_.count(static_cast<int64_t>(row + 1)) == 0) {
      file.fail(0, "no name for offspring " + std::to_string(row + 1));
    }
  }
  indexByName(parents_, parentIndex_);
  indexByName(offspring_, offspringIndex_);
}
size_t NameBook::parentsNamed(const std::string& name, int64_t* number) const {
  return lookUp(parentIndex_, name, number);
}

size_t NameBook::offspringNamed(const std::string& name, int64_t* number) const {
  return lookUp(offspringIndex_, name, number);
}

std::vector<std::string> NameBook::offspringNames() const {
  std::vector<std::string> names;
  names.reserve(offspring_.size());
  for (const auto& entry : offspring_) names.push_back(entry.second);
  return names;
}
