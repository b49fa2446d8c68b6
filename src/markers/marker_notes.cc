#include "markers/marker_notes.h"

#include "util/decimal_text.h"
#include "markers/marker_table.h"

namespace {

// "loci 2 (0.2653), 5 (0.0931)": the loci where `figure` is above `limit`,
// with their figures; empty when there is none.
template <typename Figure>
std::string lociAbove(const std::vector<MarkerRow>& loci, Figure figure, double limit) {
  std::string list;
  size_t count = 0;
  for (size_t l = 0; l < loci.size(); ++l) {
    const std::optional<double>& value = figure(loci[l]);
    if (!value || !(*value > limit)) continue;
    list += (count++ == 0 ? "" : ", ") + std::to_string(l + 1) + " (" +
            decimalText(*value, kFigureDecimals) + ")";
  }
  if (count == 0) return list;
  return (count == 1 ? "Locus " : "Loci ") + list;
}

}  // namespace

bool isFlagged(const MarkerRow& locus) {
  return (locus.fNull && *locus.fNull > kNullAlleleFlag) ||
         (locus.mismatchRate && *locus.mismatchRate > kMismatchFlag);
}

std::vector<std::string> markerNotes(const std::vector<MarkerRow>& loci) {
  std::vector<std::string> notes;
  const std::string nulls =
      lociAbove(loci, [](const MarkerRow& m) { return m.fNull; }, kNullAlleleFlag);
  if (!nulls.empty()) {
    notes.push_back(
        nulls + ": f_null above " + decimalText(kNullAlleleFlag, 2) +
        ". Fewer heterozygotes than the allele frequencies predict, the mark of a null "
        "(non-amplifying) allele or of alleles lost in scoring. A parent and an offspring "
        "sharing a null allele look like opposite homozygotes, so true parents fail there: "
        "check the scoring, or allow one mismatch (a wider radius).");
  }
  const std::string mismatches =
      lociAbove(loci, [](const MarkerRow& m) { return m.mismatchRate; }, kMismatchFlag);
  if (!mismatches.empty()) {
    notes.push_back(
        mismatches + ": mismatch_rate above " + decimalText(kMismatchFlag, 2) +
        ". That share of the confidently assigned mothers share no allele with their "
        "offspring there; scoring errors (often one repeat off) or null alleles exclude true "
        "parents at such a locus: check its allele calls.");
  }
  std::string single;
  for (size_t l = 0; l < loci.size(); ++l) {
    if (!loci[l].excl1p) single += (single.empty() ? "" : ", ") + std::to_string(l + 1);
  }
  if (!single.empty()) {
    notes.push_back("Without two alleles among the typed individuals (locus " + single +
                    "): such a locus excludes no one.");
  }
  return notes;
}
