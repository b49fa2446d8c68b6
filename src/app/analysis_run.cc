#include "app/analysis_run.h"

#include <fstream>

#include "families/matings.h"
#include "reports/writers.h"
#include "spheres/sphere_filling.h"

std::vector<std::string> runAnalysis(Data& parents, Data& sonsTable, int radius,
                                     RunProgress* progress) {
  std::vector<std::string> unwritten;
  std::vector<Son> sons;
  fillSpheres(parents, sonsTable, sons, radius);
  {
    std::ofstream out("Parent.out", std::ios::out | std::ios::trunc);
    writeParents(out, sons);
    out.close();
    if (out.fail()) unwritten.push_back("Parent.out");
  }
  std::vector<Family> families;
  matings(sons, families);
  std::ofstream out("Fam.out", std::ios::out | std::ios::trunc);
  const bool genotypesWritten = writeFamilieswithGenotypes(out, families);
  out.close();
  if (out.fail()) unwritten.push_back("Fam.out");
  if (!genotypesWritten) unwritten.push_back("Famgenotypes.out");
  if (progress != nullptr) progress->finish();
  return unwritten;
}
