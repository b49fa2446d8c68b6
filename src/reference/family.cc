#include "reference/family.h"

void Family::assignParent(const std::string& role, const Progenitor& parent) {
  if (role == "madre") {
    mother = parent;
  } else if (role == "padre") {
    father = parent;
  }
}

bool Family::isAssigned(const std::string& role) const {
  if (role == "madre") return mother.assigned;
  if (role == "padre") return father.assigned;
  return false;
}
