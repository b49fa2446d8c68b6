#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "reference/par.h"
#include "reference/progenitor.h"

// The program runs CandidateLists (analysis/candidate_lists.h) on table rows;
// this is the record-level form kept as the reference for the identity tests.

// An offspring with its four candidate-parent lists (filled by fillSpheres,
// in parents-table order). Plain value type, copied deeply.
struct Son {
  bool hasMissing = false;
  std::vector<Par> genotype;
  int32_t radiusNear = 0;
  int32_t radiusFar = 0;
  bool flagA = false;
  bool flagB = false;
  bool flagC = false;
  int32_t heteroSum = 0;
  int32_t number = 0;
  std::vector<Progenitor> motherIncluded;
  std::vector<Progenitor> motherSemiIncluded;
  std::vector<Progenitor> fatherIncluded;
  std::vector<Progenitor> fatherSemiIncluded;

  // A copy of the list named by the first two characters of `code`: "MI", "MS",
  // "PI" or "PS" (case-sensitive); any other code gives an empty list.
  std::vector<Progenitor> getVector(const std::string& code) const;

  // Code "M" or "P" exactly: that sex's Included then SemiIncluded candidates,
  // stably sorted by ascending heteroSum. Any other code gives an empty list.
  std::vector<Progenitor> selectBestD3(const std::string& code) const;

  bool hasCandidates() const {
    return !motherIncluded.empty() || !motherSemiIncluded.empty() || !fatherIncluded.empty() ||
           !fatherSemiIncluded.empty();
  }
};
