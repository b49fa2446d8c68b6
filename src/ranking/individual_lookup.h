#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ranking/genotype_tables.h"
#include "ranking/names_file.h"

// The roles a file may give an individual.
// Parent: a mother or a father, whichever bears the number or name.
enum class Role { Mother, Father, Offspring, Parent };

// Finds the individuals the table's side files (known mothers, groups,
// exclusions) name: an offspring by its number in sons.PRO (from 1), a parent
// by its identifier in parents.PAR, or, with a names file, either by its
// name (a field that is a name is read as the name before as a number).
class IndividualLookup {
 public:
  // `names` may be null (numbers only); both must outlive the lookup.
  IndividualLookup(const GenotypeTables& tables, const NameBook* names);

  // The row of the individual `field` names in `role` (an offspring row, or
  // the first parent row with that identifier), or -1 with `problem` set to
  // a message such as "mother 'Ana' is neither a name in the names file nor
  // a whole number (closest mother's name: 'Anna')".
  int32_t find(const std::string& field, Role role, std::string& problem) const;

 private:
  int32_t byNumber(const std::string& field, Role role, std::string& problem) const;
  const std::vector<std::string>& namesOf(Role role) const;
  // The first row of `role` with `identifier`, or -1.
  int32_t parentRow(int32_t identifier, Role role) const;

  const GenotypeTables& tables_;
  const NameBook* names_;
  std::unordered_map<int32_t, int32_t> motherRows_;  // identifier -> first row
  std::unordered_map<int32_t, int32_t> fatherRows_;
  // Each role's names, sorted, for the closest-name hint (only with names).
  std::vector<std::string> roleNames_[4];
};

// "mother", "father", "offspring" or "parent".
const char* roleWord(Role role);
