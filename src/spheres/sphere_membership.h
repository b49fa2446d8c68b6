#pragma once

// The sphere tests on a candidate's (near, far) distance from an offspring,
// with the offspring's two radii. Included implies SemiIncluded; the lists
// keep a candidate in the first that holds.
inline bool isIncluded(int near, int far, int radiusNear, int radiusFar) {
  return (near <= radiusNear && far <= 0) || (near <= 0 && far <= radiusFar);
}
inline bool isSemiIncluded(int near, int far, int radiusNear, int radiusFar) {
  return near <= radiusNear || far <= radiusFar;
}

// Where a candidate at (near, far) goes in an offspring's lists, and its match
// tag: every Included candidate is a total match, a SemiIncluded one when
// either distance is 0. The rule of fillSpheres and of the engine's lists.
enum class SphereList { Included, SemiIncluded, Outside };
struct SpherePlace {
  SphereList list;
  bool totalMatch;
};
inline SpherePlace placeInSpheres(int near, int far, int radiusNear, int radiusFar) {
  if (isIncluded(near, far, radiusNear, radiusFar)) return {SphereList::Included, true};
  if (isSemiIncluded(near, far, radiusNear, radiusFar)) {
    return {SphereList::SemiIncluded, near == 0 || far == 0};
  }
  return {SphereList::Outside, false};
}
