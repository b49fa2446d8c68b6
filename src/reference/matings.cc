#include "reference/matings.h"

#include "reference/compatibility.h"

void matings(std::vector<Son> sons, std::vector<Family>& families) {
  for (const Son& son : sons) {
    if (!son.hasCandidates()) continue;
    std::vector<Progenitor> mothers = son.selectBestD3("M");
    if (mothers.empty()) continue;
    std::vector<Progenitor> fathers = son.selectBestD3("P");
    if (fathers.empty()) continue;
    Family family;
    for (Progenitor& mother : mothers) {
      for (Progenitor& father : fathers) {
        if (!checkCompatibility(son, mother, father)) continue;
        mother.assigned = true;
        family.assignParent("madre", mother);
        father.assigned = true;
        family.assignParent("padre", father);
        family.son = son;
        families.push_back(family);
      }
    }
  }
}
