#include "util/text_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "status/run_failure.h"
#include "util/escaped_text.h"

namespace {

const std::string kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TextFile::TextFile(std::string kind, std::string path)
    : kind_(std::move(kind)), path_(std::move(path)) {
  std::error_code ignored;
  std::ifstream in;
  if (!std::filesystem::is_directory(path_, ignored)) in.open(path_, std::ios::binary);
  std::ostringstream content;
  if (in) content << in.rdbuf();
  if (!in || in.bad()) throw RunFailure("", "parentsphere: can not read " + kind_ + " file " + path_);
  text_ = content.str();
  // A file saved by an editor that marks UTF-8 starts with a byte order mark,
  // invisible on screen: it is not part of the first line.
  if (text_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
    text_.erase(0, kByteOrderMark.size());
  }
}

void TextFile::forEachLine(
    char separator,
    const std::function<void(size_t, const std::vector<std::string>&)>& visit) const {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t number = 1; start < text_.size(); ++number) {
    size_t end = text_.find('\n', start);
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    fields.clear();
    if (separator != 0) {
      size_t from = 0;
      for (size_t at; (at = line.find(separator, from)) != std::string::npos; from = at + 1) {
        fields.push_back(line.substr(from, at - from));
      }
      fields.push_back(line.substr(from));
    } else {
      for (size_t from = first; from < line.size();) {
        const size_t stop = std::min(line.find_first_of(" \t", from), line.size());
        fields.push_back(line.substr(from, stop - from));
        from = line.find_first_not_of(" \t", stop);
        if (from == std::string::npos) break;
      }
    }
    visit(number, fields);
  }
}

void TextFile::fail(size_t line, const std::string& problem) const {
  std::string where = kind_ + " file " + path_;
  if (line > 0) where += ", line " + std::to_string(line);
  throw RunFailure("", "parentsphere: " + where + ": " + problem);
}

std::string quotedField(const std::string& field) { return "'" + shownText(field) + "'"; }
