#include "reference/espacio.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "status/run_failure.h"

int valoresperdidos;

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
