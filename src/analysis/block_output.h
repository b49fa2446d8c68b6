#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "analysis/offspring_pairing.h"
#include "analysis/parallel_listener.h"
#include "reports/report_sink.h"
#include "spheres/parent_panel.h"

// The report text of consecutive offspring, in offspring order, and what a
// listener is still to hear about them: the unit a thread hands to the writer.
struct BlockOutput {
  // One offspring's outcome, kept until the listener is told.
  struct Outcome {
    size_t offspring;
    std::vector<SphereHit> hits;
    size_t families;
    OffspringPairing pairing;
  };

  std::string parents;      // "Parent.out" blocks
  std::string familyLines;  // "Fam.out" lines
  std::string genotypes;    // "Famgenotypes.out" listing
  int sonsWithFamily = 0;   // offspring with a family in this text
  size_t offspringDone = 0; // offspring rows searched up to the end of this text
  std::vector<Outcome> outcomes;
  std::unique_ptr<BlockPiece> piece;  // a ParallelListener's, made on first use

  // The text has passed the size at which reports are written out.
  bool large() const {
    return parents.size() >= ReportSink::kFlushBytes ||
           familyLines.size() >= ReportSink::kFlushBytes ||
           genotypes.size() >= ReportSink::kFlushBytes;
  }
};
