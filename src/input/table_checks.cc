#include "input/table_checks.h"

#include <algorithm>

#include "status/run_failure.h"

int contmadres(const std::vector<std::vector<int>>& rows) {
  const size_t k = rows.front().size() - 1;
  int mothers = 0;
  for (const std::vector<int>& row : rows) {
    if (row[k] < kFirstFatherId) ++mothers;
  }
  return mothers;
}

int validateTables(const Data& parents, const Data& sons) {
  if (parents.rows.empty()) throw RunFailure("EMPTY PARENTS FILE\n");
  if (sons.rows.empty()) throw RunFailure("EMPTY SONS FILE\n");
  const size_t sonWidth = sons.rows.front().size();
  const RunFailure badSons("WRONG NUMBER OF COLUMNS IN SONS FILE\n");
  if (sonWidth % 2 != 0) throw badSons;
  for (const std::vector<int>& row : sons.rows) {
    if (row.size() < sonWidth) throw badSons;
  }
  // Every parents row must reach both the mother/father column the count reads
  // (the first row's last value) and the identifier after the alleles.
  const size_t parentWidth = std::max(parents.rows.front().size(), sonWidth + 1);
  for (const std::vector<int>& row : parents.rows) {
    if (row.size() < parentWidth) throw RunFailure("WRONG NUMBER OF COLUMNS IN PARENTS FILE\n");
  }
  return static_cast<int>(sonWidth / 2);
}

int prepareTables(Data& parents, Data& sons) {
  const int nLoci = validateTables(parents, sons);
  parents.nLoci = nLoci;
  sons.nLoci = nLoci;
  return contmadres(parents.rows);
}
