#include "reference/son.h"

#include "families/hetero_order.h"

std::vector<Progenitor> Son::getVector(const std::string& code) const {
  const std::string prefix = code.substr(0, 2);
  if (prefix == "MI") return motherIncluded;
  if (prefix == "MS") return motherSemiIncluded;
  if (prefix == "PI") return fatherIncluded;
  if (prefix == "PS") return fatherSemiIncluded;
  return {};
}

std::vector<Progenitor> Son::selectBestD3(const std::string& code) const {
  std::vector<Progenitor> ranked;
  const std::vector<Progenitor>* included = nullptr;
  const std::vector<Progenitor>* semiIncluded = nullptr;
  if (code == "M") {
    included = &motherIncluded;
    semiIncluded = &motherSemiIncluded;
  } else if (code == "P") {
    included = &fatherIncluded;
    semiIncluded = &fatherSemiIncluded;
  } else {
    return ranked;
  }
  ranked.reserve(included->size() + semiIncluded->size());
  ranked.insert(ranked.end(), included->begin(), included->end());
  ranked.insert(ranked.end(), semiIncluded->begin(), semiIncluded->end());
  rankStably(ranked, [](const Progenitor& a, const Progenitor& b) { return a < b; });
  return ranked;
}
