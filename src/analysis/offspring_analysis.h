#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/candidate_lists.h"
#include "analysis/family_text.h"
#include "analysis/offspring_listener.h"
#include "families/fit_masks.h"
#include "input/data.h"
#include "spheres/parent_panel.h"

// The analysis the program runs, one offspring at a time: the sphere search
// (ParentPanel), the candidate lists, their ranking and the pairing of every
// ranked mother with every ranked father (FitMasks). Gives the same report
// text as fillSpheres, matings and the record-level writers.
class OffspringAnalysis {
 public:
  // Precondition: the tables passed validateTables and nLoci is set on both;
  // rows below `motherCount` of `parents` are mothers. Both tables must
  // outlive the analysis.
  OffspringAnalysis(const Data& parents, const Data& sons, int32_t radius, int32_t missing,
                    int32_t motherCount);

  // Searches offspring row `i`, appending its parent report block, family
  // lines and genotype listing to the three buffers, then tells `listener`
  // (when given) what it found.
  void visit(size_t i, std::string& parentText, std::string& familyLines, std::string& genotypes,
             OffspringListener* listener = nullptr);

  // Offspring visited so far that have at least one family.
  int sonsWithFamily() const { return sonsWithFamily_; }

  // For the offspring visited last: is (motherRow, fatherRow) one of its
  // families? Any row outside its ranked lists answers false.
  bool isFamily(int32_t motherRow, int32_t fatherRow) const;

 private:
  // Pairs the ranked lists of offspring `i`; returns the families written.
  size_t pair(size_t i, std::string& familyLines, std::string& genotypes);
  void forgetRankPositions() const;

  const Data& parents_;
  const Data& sons_;
  int32_t radius_;
  int32_t missing_;
  int32_t motherCount_;
  int32_t loci_;
  ParentPanel panel_;
  std::vector<int32_t> heteroSums_;
  FamilyText familyText_;
  std::vector<SphereHit> hits_;
  CandidateLists mothers_;
  CandidateLists fathers_;
  FitMasks masks_;
  int sonsWithFamily_ = 0;
  // A parent row's place in its ranked list, filled only when a listener asks
  // isFamily(), so the run without a listener never pays for it.
  mutable std::vector<int32_t> rankPosition_;
  mutable bool rankPositionsFilled_ = false;
};
