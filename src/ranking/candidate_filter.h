#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Which candidate parents an offspring may have, from what the study knows
// beforehand: groups (a territory, a spawning group, a season) and pairs
// ruled out. A parent may be a parent of an offspring when they share a
// group, or either has no group at all, and the pair is not excluded.
class CandidateFilter {
 public:
  CandidateFilter(size_t offspring, size_t parents);

  // Puts an offspring (a parent row) into group `group`, any number >= 0;
  // an individual may be in several groups.
  void addOffspringGroup(size_t offspring, int32_t group);
  void addParentGroup(size_t parentRow, int32_t group);
  // Rules out `parentRow` as a parent of `offspring`.
  void exclude(size_t offspring, int32_t parentRow);
  // Call once every group and exclusion is in, before allows() and keep().
  void finish();

  bool allows(size_t offspring, int32_t parentRow) const;
  // Removes from `rows` the parent rows not allowed for `offspring`,
  // keeping the order of the others.
  void keep(size_t offspring, std::vector<int32_t>& rows) const;

  // Individuals with no group: parents candidates of every offspring,
  // offspring keeping every candidate.
  size_t parentsWithoutGroup() const;
  size_t offspringWithoutGroup() const;
  bool hasGroups() const { return grouped_; }

 private:
  bool grouped_ = false;
  std::vector<std::vector<int32_t>> offspringGroups_;  // sorted
  std::vector<std::vector<int32_t>> parentGroups_;     // sorted
  std::vector<std::vector<int32_t>> excluded_;         // per offspring, sorted rows
};
