#pragma once
#include <string>
#include <vector>

// The number of single-character insertions, deletions and substitutions
// that turn `a` into `b` (bytes, not letters).
size_t editDistance(const std::string& a, const std::string& b);

// The name of `known` closest to `name` by edit distance, the smallest in byte
// order among equally close ones; "" when `known` is empty. Offered in
// messages about a name that matches no individual ("did you mean ...").
std::string closestName(const std::string& name, const std::vector<std::string>& known);
