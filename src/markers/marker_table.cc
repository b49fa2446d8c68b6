#include "markers/marker_table.h"

#include "util/decimal_text.h"

namespace {

void appendRow(std::string& out, const std::string& name, const MarkerRow& row, int countDecimals) {
  out += name;
  for (double count : {row.alleles, row.typed}) {
    out += '\t';
    out += decimalText(count, countDecimals);
  }
  for (const std::optional<double>* figure :
       {&row.ho, &row.he, &row.pic, &row.excl1p, &row.excl2p, &row.exclpp, &row.fNull,
        &row.mismatchRate}) {
    out += '\t';
    out += decimalText(*figure, kFigureDecimals);
  }
  out += '\n';
}

}  // namespace

std::string markerTableText(const std::vector<MarkerRow>& loci, const MarkerRow& combined,
                            const std::vector<std::string>& names) {
  std::string out =
      "locus\talleles\ttyped\tho\the\tpic\texcl_1p\texcl_2p\texcl_pp\tf_null\tmismatch_rate\n";
  const bool named = names.size() == loci.size();
  for (size_t l = 0; l < loci.size(); ++l) {
    appendRow(out, named ? names[l] : std::to_string(l + 1), loci[l], 0);
  }
  appendRow(out, "all", combined, kMeanDecimals);
  return out;
}
