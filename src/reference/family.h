#pragma once
#include <string>

#include "reference/progenitor.h"
#include "reference/son.h"

// The program writes each family as it finds it (analysis/family_text.h);
// this is the record-level form kept as the reference for the identity tests.

// One family formed by the matings: the offspring and the chosen parents.
// Parents are addressed by role word: "madre" (mother) or "padre" (father).
struct Family {
  Son son;
  Progenitor father;
  Progenitor mother;

  // Stores `parent` in the role's slot; any other role word stores nothing.
  void assignParent(const std::string& role, const Progenitor& parent);
  // The `assigned` mark of the role's parent; false for any other role word.
  bool isAssigned(const std::string& role) const;
};
