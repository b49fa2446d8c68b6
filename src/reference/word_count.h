#pragma once
#include <string>

// The reader splits rows as it converts them (input/line_parser.h); this is
// the record-level word count kept as the reference for the reader's tests.
// The number of words of a line: runs of characters other than space, tab and
// line feed, including one that runs to the end of the line.
int cont_words(std::string line);
