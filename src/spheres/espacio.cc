#include "spheres/espacio.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "records/run_failure.h"

int valoresperdidos;

void locusTerms(int64_t s1, int64_t s2, int64_t p1, int64_t p2, int64_t* nearTerm,
                int64_t* farTerm) {
  if (s1 > s2) std::swap(s1, s2);
  if (p1 > p2) std::swap(p1, p2);
  const int64_t d1 = std::min(std::llabs(s1 - p1), std::llabs(s1 - p2));
  const int64_t d2 = std::min(std::llabs(s2 - p1), std::llabs(s2 - p2));
  *nearTerm = std::min(d1, d2);
  *farTerm = std::max(d1, d2);
}

Par Espacio::D1(Punto a, Punto b) {
  if (a.loci.size() != b.loci.size()) {
    std::ofstream log("ErrLog.txt", std::ios::out | std::ios::trunc);
    log << "Wrong space dimension" << "\n" << std::endl;
    throw RunFailure("");
  }
  const int missing = valoresperdidos;
  int64_t nearSum = 0;
  int64_t farSum = 0;
  for (size_t i = 0; i < a.loci.size(); ++i) {
    const Par& s = a.loci[i];
    const Par& p = b.loci[i];
    if (s.allele1 == missing || s.allele2 == missing || p.allele1 == missing ||
        p.allele2 == missing) {
      continue;
    }
    int64_t nearTerm = 0;
    int64_t farTerm = 0;
    locusTerms(s.allele1, s.allele2, p.allele1, p.allele2, &nearTerm, &farTerm);
    nearSum += nearTerm;
    farSum += farTerm;
  }
  Par result;
  result.allele1 = saturateToInt32(nearSum);
  result.allele2 = saturateToInt32(farSum);
  return result;
}
