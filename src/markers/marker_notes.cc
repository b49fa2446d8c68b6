#include "markers/marker_notes.h"

#include "markers/decimal_text.h"
#include "markers/marker_table.h"

bool isFlagged(const MarkerRow& locus) {
  return (locus.fNull && *locus.fNull > kNullAlleleFlag) ||
         (locus.mismatchRate && *locus.mismatchRate > kMismatchFlag);
}

std::vector<std::string> markerNotes(const std::vector<MarkerRow>& loci) {
  std::vector<std::string> notes;
  for (size_t l = 0; l < loci.size(); ++l) {
    const MarkerRow& locus = loci[l];
    const std::string name = "Locus " + std::to_string(l + 1) + ": ";
    if (!locus.excl1p) {
      notes.push_back(name + "fewer than two alleles among the typed individuals, so it cannot "
                             "exclude anyone and tells parents apart not at all.");
    }
    if (locus.fNull && *locus.fNull > kNullAlleleFlag) {
      notes.push_back(
          name + "f_null " + decimalText(*locus.fNull, kFigureDecimals) + " is above " +
          decimalText(kNullAlleleFlag, 2) +
          ": fewer heterozygotes than the allele frequencies predict, the mark of a null "
          "(non-amplifying) allele or of alleles lost in scoring. A parent and an offspring "
          "sharing a null allele look like opposite homozygotes, so true parents fail here: "
          "check the scoring, or allow one mismatch (a wider radius).");
    }
    if (locus.mismatchRate && *locus.mismatchRate > kMismatchFlag) {
      notes.push_back(
          name + "a share of " + decimalText(*locus.mismatchRate, kFigureDecimals) +
          " of the confidently assigned mothers share no allele with their offspring here "
          "(above " + decimalText(kMismatchFlag, 2) +
          "): scoring errors (often one repeat off) or null alleles at this locus exclude true "
          "parents; check its allele calls.");
    }
  }
  return notes;
}
