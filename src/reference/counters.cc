#include "reference/counters.h"

int maxindexhijos(const std::vector<Son>& sons) { return sons.empty() ? 0 : sons.back().number; }

int maxindexhijos(const std::vector<Family>& families) {
  return families.empty() ? 0 : families.back().son.number;
}

int cuentahijos(const std::vector<Family>& families) {
  int count = static_cast<int>(families.size());
  for (size_t i = 0; i + 1 < families.size(); ++i) {
    if (families[i].son.number == families[i + 1].son.number) --count;
  }
  return count;
}
