#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The small text files the program reads beside the tables (frequencies,
// known mothers, names, error rates, locus names):
// lines of fields, `#` comment lines and blank lines skipped. Every problem
// is a RunFailure with nothing for standard output and, for standard error,
// a line naming the file and the line (its detail()).
class TextFile {
 public:
  // Reads `path` whole, a UTF-8 byte order mark at its start left out. `kind` names the file in messages ("frequencies").
  // Throws RunFailure "parentsphere: can not read <kind> file <path>" when it
  // cannot be opened or read (a folder included).
  TextFile(std::string kind, std::string path);

  // Calls visit(lineNumber, fields) for every line that is neither blank nor
  // a comment; fields are split on `separator`, or on blanks and tabs when it
  // is 0. A carriage return before a line end is dropped.
  void forEachLine(char separator,
                   const std::function<void(size_t, const std::vector<std::string>&)>& visit) const;

  // Throws RunFailure "parentsphere: <kind> file <path>, line <line>:
  // <problem>"; line 0 leaves the line out.
  [[noreturn]] void fail(size_t line, const std::string& problem) const;

 private:
  std::string kind_;
  std::string path_;
  std::string text_;
};

// `field` between single quotes as a message may show it: control
// characters and bytes beyond ASCII escaped (see shownText), cut when long.
std::string quotedField(const std::string& field);
