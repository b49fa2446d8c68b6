#pragma once
#include <cstddef>

#include "popgen/options.h"
#include "popgen/random.h"

// Rows of the parents table, all parents counted whether sampled or not:
// mothers 0 to M-1, then fathers; with hermaphrodites, plants 0 to N-1 in
// both roles (the same row twice for a self).
struct TrueParents {
  size_t mother = 0;
  size_t father = 0;
};

// Who mates with whom. Without groups every mother (plant) may mate with every
// father (plant). With N groups, parent i of each role is in group i mod N and
// an offspring's parents share its group, except a share of fathers drawn
// from another group.
class Matings {
 public:
  explicit Matings(const PopulationParams& params);

  // The group of the parent on table row `row`, from 1; 0 without groups.
  int groupOf(size_t row) const;

  // An offspring's group, from 0 (always 0 without groups, with no draw).
  size_t drawGroup(Rng& rng) const;

  // The true parents of an offspring of group `group`.
  TrueParents draw(Rng& rng, size_t group) const;

 private:
  size_t member(Rng& rng, size_t count, size_t group) const;
  size_t otherGroup(Rng& rng, size_t group) const;

  const PopulationParams& p_;
  size_t groups_;  // at least 1
};

// How many of `count` parents a share leaves out: the nearest whole number,
// keeping at least one.
size_t leftOutCount(double share, size_t count);
