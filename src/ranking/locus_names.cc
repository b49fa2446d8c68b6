#include "ranking/locus_names.h"

#include <filesystem>
#include <fstream>
#include <set>

#include "util/text_file.h"

std::vector<std::string> lociLineOf(const std::string& path) {
  std::vector<std::string> names;
  // A pipe or a terminal given as a table has been read already: not again.
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return names;
  std::ifstream in(path, std::ios::binary);
  // Only the mark is read first: a table without it starts with a genotype
  // row, which is not read a second time.
  const std::string mark = "# loci\t";
  std::string line(mark.size(), '\0');
  if (!in.read(&line[0], static_cast<std::streamsize>(mark.size())) || line != mark) return names;
  std::string rest;
  std::getline(in, rest);
  line += rest;
  if (line.back() == '\r') line.pop_back();
  for (size_t from = mark.size();;) {
    const size_t tab = line.find('\t', from);
    names.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) return names;
    from = tab + 1;
  }
}

std::vector<std::string> readLocusNamesFile(const std::string& path, int32_t loci) {
  const TextFile file("locus names", path);
  std::vector<std::string> names;
  std::set<std::string> seen;
  file.forEachLine('\t', [&](size_t line, const std::vector<std::string>& fields) {
    if (fields.size() != 1) file.fail(line, "expected one name a line, without tabs");
    const std::string& name = fields[0];
    const size_t first = name.find_first_not_of(' ');
    const std::string trimmed = name.substr(first, name.find_last_not_of(' ') + 1 - first);
    if (!seen.insert(trimmed).second) file.fail(line, "the name " + quotedField(trimmed) + " is given twice");
    names.push_back(trimmed);
  });
  if (names.size() != static_cast<size_t>(loci)) {
    file.fail(0, std::to_string(names.size()) + " names for " + std::to_string(loci) + " loci");
  }
  return names;
}

std::vector<std::string> locusNamesFor(const std::string& file, const std::string& parentsPath,
                                       const std::string& offspringPath, int32_t loci) {
  if (!file.empty()) return readLocusNamesFile(file, loci);
  for (const std::string& path : {parentsPath, offspringPath}) {
    std::vector<std::string> names = lociLineOf(path);
    if (names.size() == static_cast<size_t>(loci)) return names;
  }
  return {};
}

std::string locusLabel(size_t locus, const std::vector<std::string>& names) {
  std::string label = "locus " + std::to_string(locus + 1);
  if (locus < names.size()) label += " (" + names[locus] + ")";
  return label;
}
