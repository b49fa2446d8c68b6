#include "ranking/locus_names.h"

#include <fstream>

std::vector<std::string> lociLineOf(const std::string& path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) return names;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const std::string mark = "# loci\t";
  if (line.compare(0, mark.size(), mark) != 0) return names;
  for (size_t from = mark.size();;) {
    const size_t tab = line.find('\t', from);
    names.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
    if (tab == std::string::npos) return names;
    from = tab + 1;
  }
}
