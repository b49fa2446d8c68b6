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
