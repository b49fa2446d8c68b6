#pragma once
#include <cstdint>
#include <vector>

#include "families/fit_masks.h"

// Which (mother, father) pairs of one offspring are families: its ranked
// candidate rows and their compatibility masks (mothers first, then fathers),
// as the engine paired them. Kept per offspring for a listener told later.
class OffspringPairing {
 public:
  // `motherCount` and `parents` bound the rows that can be mothers and fathers.
  OffspringPairing(int32_t motherCount, int32_t parents)
      : motherCount_(motherCount), parents_(parents) {}

  std::vector<int32_t> mothers;  // ranked rows; empty when the offspring was not paired
  std::vector<int32_t> fathers;
  FitMasks masks;

  // True when (motherRow, fatherRow) is a family; false for any other pair,
  // rows out of range included. `positions` holds one entry per parent, -1
  // but for this pairing's rows, filled on the first call; forget() resets it.
  bool isFamily(int32_t motherRow, int32_t fatherRow, std::vector<int32_t>& positions) const;
  // Sets the entries of `positions` a call of isFamily() filled back to -1.
  void forget(std::vector<int32_t>& positions) const;

 private:
  int32_t motherCount_;
  int32_t parents_;
  mutable bool filled_ = false;
};
