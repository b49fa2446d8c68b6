#include "ranking/individual_lookup.h"

#include <algorithm>

#include "ranking/closest_name.h"
#include "util/text_file.h"
#include "util/number_reader.h"

const char* roleWord(Role role) {
  switch (role) {
    case Role::Mother: return "mother";
    case Role::Father: return "father";
    case Role::Offspring: return "offspring";
    case Role::Parent: return "parent";
  }
  return "offspring";
}

IndividualLookup::IndividualLookup(const GenotypeTables& tables, const NameBook* names)
    : tables_(tables), names_(names) {
  const int32_t parents = static_cast<int32_t>(tables.parents.size());
  for (int32_t row = parents - 1; row >= 0; --row) {
    auto& rows = tables.isMother(static_cast<size_t>(row)) ? motherRows_ : fatherRows_;
    rows[tables.identifier(static_cast<size_t>(row))] = row;
  }
  if (names_ == nullptr) return;
  for (int32_t row = 0; row < parents; ++row) {
    const Role role = tables.isMother(static_cast<size_t>(row)) ? Role::Mother : Role::Father;
    const std::string& name = names_->parent(tables.identifier(static_cast<size_t>(row)));
    roleNames_[static_cast<int>(role)].push_back(name);
    roleNames_[static_cast<int>(Role::Parent)].push_back(name);
  }
  roleNames_[static_cast<int>(Role::Offspring)] = names_->offspringNames();
  for (std::vector<std::string>& list : roleNames_) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
  }
}

const std::vector<std::string>& IndividualLookup::namesOf(Role role) const {
  return roleNames_[static_cast<int>(role)];
}

int32_t IndividualLookup::byNumber(const std::string& field, Role role, std::string& problem) const {
  const std::string who = std::string(roleWord(role)) + " " + quotedField(field);
  const std::string hint =
      names_ == nullptr ? std::string()
                        : " (closest " + std::string(roleWord(role)) + "'s name: " +
                              quotedField(closestName(field, namesOf(role))) + ")";
  const std::string neither = names_ == nullptr ? " is not " : " is neither a name in the names file nor ";
  if (role == Role::Offspring) {
    const int64_t count = static_cast<int64_t>(tables_.offspring.size());
    const std::optional<int64_t> number = readWholeNumber(field, 1, count);
    if (!number) {
      problem = who + neither + "a number from 1 to " + std::to_string(count) + hint;
      return -1;
    }
    return static_cast<int32_t>(*number - 1);
  }
  const std::optional<int64_t> number = readWholeNumber(field, INT32_MIN, INT32_MAX);
  if (!number) {
    problem = who + neither + "a whole number" + hint;
    return -1;
  }
  const int32_t row = parentRow(static_cast<int32_t>(*number), role);
  if (row < 0) {
    problem = "no " + std::string(roleWord(role)) + " has the identifier " + field +
              " in the parents table" + hint;
  }
  return row;
}

int32_t IndividualLookup::parentRow(int32_t identifier, Role role) const {
  if (role != Role::Father) {
    const auto found = motherRows_.find(identifier);
    if (found != motherRows_.end()) return found->second;
  }
  if (role != Role::Mother) {
    const auto found = fatherRows_.find(identifier);
    if (found != fatherRows_.end()) return found->second;
  }
  return -1;
}

int32_t IndividualLookup::find(const std::string& field, Role role, std::string& problem) const {
  if (names_ != nullptr) {
    int64_t number = 0;
    const size_t named = role == Role::Offspring ? names_->offspringNamed(field, &number)
                                                 : names_->parentsNamed(field, &number);
    if (named > 1) {
      problem = "the name " + quotedField(field) + " is shared by " + std::to_string(named) + " " +
                (role == Role::Offspring ? "offspring" : "parents") + " in the names file";
      return -1;
    }
    if (named == 1) {
      if (role == Role::Offspring) return static_cast<int32_t>(number - 1);
      const int32_t row = parentRow(static_cast<int32_t>(number), role);
      if (row >= 0) return row;
      problem = quotedField(field) + " is not a " + roleWord(role) + " in the parents table";
      return -1;
    }
  }
  return byNumber(field, role, problem);
}
