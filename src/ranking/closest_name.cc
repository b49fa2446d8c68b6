#include "ranking/closest_name.h"

#include <algorithm>

size_t editDistance(const std::string& a, const std::string& b) {
  // One row of the usual table, kept as the previous row is overwritten.
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string closestName(const std::string& name, const std::vector<std::string>& known) {
  std::string best;
  size_t bestDistance = 0;
  bool found = false;
  for (const std::string& candidate : known) {
    const size_t d = editDistance(name, candidate);
    if (!found || d < bestDistance || (d == bestDistance && candidate < best)) {
      best = candidate;
      bestDistance = d;
      found = true;
    }
  }
  return best;
}
