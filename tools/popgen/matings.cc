#include "popgen/matings.h"

#include <algorithm>
#include <cmath>

Matings::Matings(const PopulationParams& params)
    : p_(params), groups_(static_cast<size_t>(std::max(params.groups, 1))) {}

int Matings::groupOf(size_t row) const {
  if (p_.groups == 0) return 0;
  const size_t mothers = static_cast<size_t>(p_.mothers);
  const size_t index = row < mothers ? row : row - mothers;
  return static_cast<int>(index % groups_) + 1;
}

size_t Matings::drawGroup(Rng& rng) const { return groups_ > 1 ? rng.below(groups_) : 0; }

// Parent number k of a group is parent group + k * groups of its role; one
// group has count / groups of them, the first count % groups one more.
size_t Matings::member(Rng& rng, size_t count, size_t group) const {
  const size_t inGroup = count / groups_ + (group < count % groups_ ? 1 : 0);
  return group + groups_ * rng.below(inGroup);
}

size_t Matings::otherGroup(Rng& rng, size_t group) const {
  const size_t other = rng.below(groups_ - 1);
  return other >= group ? other + 1 : other;
}

TrueParents Matings::draw(Rng& rng, size_t group) const {
  const size_t mothers = static_cast<size_t>(p_.mothers);
  TrueParents parents;
  parents.mother = member(rng, mothers, group);
  if (!p_.hermaphrodites) {
    const size_t fatherGroup =
        groups_ > 1 && rng.chance(p_.extraGroupFathers) ? otherGroup(rng, group) : group;
    parents.father = mothers + member(rng, static_cast<size_t>(p_.fathers), fatherGroup);
    return parents;
  }
  if (rng.chance(p_.selfing)) {
    parents.father = parents.mother;
    return parents;
  }
  if (groups_ > 1 && rng.chance(p_.extraGroupFathers)) {
    parents.father = member(rng, mothers, otherGroup(rng, group));
    return parents;
  }
  // Another plant of the group: one of its others, skipping the seed parent.
  const size_t inGroup = mothers / groups_ + (group < mothers % groups_ ? 1 : 0);
  if (inGroup < 2) {
    parents.father = parents.mother;  // a plant alone in its group can only self
    return parents;
  }
  size_t pollen = group + groups_ * rng.below(inGroup - 1);
  if (pollen >= parents.mother) pollen += groups_;
  parents.father = pollen;
  return parents;
}

size_t leftOutCount(double share, size_t count) {
  if (count == 0) return 0;
  const size_t nearest = static_cast<size_t>(std::floor(share * static_cast<double>(count) + 0.5));
  return std::min(nearest, count - 1);
}
