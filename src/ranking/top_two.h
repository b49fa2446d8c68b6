#pragma once
#include <algorithm>
#include <cstdint>

// The order of the ranked table's candidates and pairs, and the best two of a
// stream of them: OffspringRanker's one rule for ties.

// True when (lod, key) ranks before (otherLod, otherKey): higher LOD first,
// then the earlier row.
inline bool ranksBefore(double lod, int64_t key, double otherLod, int64_t otherKey) {
  return lod > otherLod || (lod == otherLod && key < otherKey);
}

// Keeps the best and the runner-up of a stream of (lod, key) candidates.
struct TopTwo {
  bool hasBest = false;
  bool hasSecond = false;
  double best = 0.0;
  double second = 0.0;
  int64_t bestKey = 0;
  int64_t secondKey = 0;

  // True when the candidate became the best.
  bool offer(double lod, int64_t key) {
    if (!hasBest || ranksBefore(lod, key, best, bestKey)) {
      if (hasBest) {
        hasSecond = true;
        second = best;
        secondKey = bestKey;
      }
      hasBest = true;
      best = lod;
      bestKey = key;
      return true;
    }
    if (!hasSecond || ranksBefore(lod, key, second, secondKey)) {
      hasSecond = true;
      second = lod;
      secondKey = key;
    }
    return false;
  }
  // The best LOD minus the runner-up's, an unsampled parent (LOD 0) counting
  // as a runner-up.
  double delta() const { return best - std::max(hasSecond ? second : 0.0, 0.0); }
};
