#include "files/whole_file.h"

#include "files/replaced_file.h"

bool writeWholeFile(const std::string& path, const std::string& text) {
  ReplacedFile file(path);
  std::string pending = text;
  file.sink().write(pending);
  return file.commit();
}
