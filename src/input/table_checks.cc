#include "input/table_checks.h"

#include <algorithm>

#include "input/located_error.h"
#include "status/run_failure.h"

int contmadres(const std::vector<std::vector<int>>& rows, int firstFatherId) {
  const size_t k = rows.front().size() - 1;
  int mothers = 0;
  for (const std::vector<int>& row : rows) {
    if (row[k] < firstFatherId) ++mothers;
  }
  return mothers;
}

int motherCount(const Data& parents) {
  return contmadres(parents.rows, parents.firstFatherId);
}

int validateTables(const Data& parents, const Data& sons) {
  if (parents.rows.empty()) throw RunFailure("EMPTY PARENTS FILE\n");
  if (sons.rows.empty()) throw RunFailure("EMPTY SONS FILE\n");
  const size_t sonWidth = sons.rows.front().size();
  const std::string badSons = "WRONG NUMBER OF COLUMNS IN SONS FILE\n";
  if (sonWidth % 2 != 0) {
    throw RunFailure(badSons, describeRowWidth(sons, 0, "an even number (two allele columns per locus)"));
  }
  const std::string sameAsFirst = " (as on the first row, line ";
  for (size_t i = 0; i < sons.rows.size(); ++i) {
    if (sons.rows[i].size() < sonWidth) {
      throw RunFailure(badSons, describeRowWidth(sons, i, "at least " + std::to_string(sonWidth) +
                                                            sameAsFirst +
                                                            std::to_string(lineOfRow(sons, 0)) + ")"));
    }
  }
  // Every parents row must reach both the mother/father column the count reads
  // (the first row's last value) and the identifier after the alleles.
  const size_t firstWidth = parents.rows.front().size();
  const size_t parentWidth = std::max(firstWidth, sonWidth + 1);
  const std::string why =
      parentWidth == firstWidth
          ? sameAsFirst + std::to_string(lineOfRow(parents, 0)) + ")"
          : " (the offspring's " + std::to_string(sonWidth) + " allele columns, then the identifier)";
  for (size_t j = 0; j < parents.rows.size(); ++j) {
    if (parents.rows[j].size() < parentWidth) {
      throw RunFailure("WRONG NUMBER OF COLUMNS IN PARENTS FILE\n",
                       describeRowWidth(parents, j, "at least " + std::to_string(parentWidth) + why));
    }
  }
  return static_cast<int>(sonWidth / 2);
}

CheckedTables checkTables(Data& parents, Data& sons, int missing) {
  const int nLoci = validateTables(parents, sons);
  parents.nLoci = nLoci;
  sons.nLoci = nLoci;
  return {parents, sons, nLoci, motherCount(parents), missing};
}
