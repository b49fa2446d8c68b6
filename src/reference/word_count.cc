#include "reference/word_count.h"

#include "input/line_parser.h"

int cont_words(std::string line) {
  int count = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const bool endsHere = i + 1 == line.size() || isSeparator(line[i + 1]);
    if (!isSeparator(line[i]) && endsHere) ++count;
  }
  return count;
}
