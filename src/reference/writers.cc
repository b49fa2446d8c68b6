#include "reference/writers.h"

#include <fstream>
#include <string>

#include "reference/counters.h"
#include "reports/number_text.h"
#include "reports/report_text.h"

namespace {

std::vector<ReportedCandidate> reported(const std::vector<Progenitor>& list) {
  std::vector<ReportedCandidate> out;
  out.reserve(list.size());
  for (const Progenitor& p : list) out.push_back({p.number, p.totalMatch});
  return out;
}

bool familyIsWritten(const Family& f) { return f.isAssigned("madre") && f.isAssigned("padre"); }

bool isMarked(const Family& f) {
  return f.son.hasMissing || f.mother.hasMissing || f.father.hasMissing;
}

// A genotype as a row holds it, for the text pieces the engine writes with.
std::vector<int32_t> allelesOf(const std::vector<Par>& genotype) {
  std::vector<int32_t> alleles;
  alleles.reserve(2 * genotype.size());
  for (const Par& locus : genotype) {
    alleles.push_back(locus.allele1);
    alleles.push_back(locus.allele2);
  }
  return alleles;
}

// Both family texts in one pass; `genotypes` is null when only the list is wanted.
void buildFamilyTexts(const std::vector<Family>& families, std::string& list,
                      std::string* genotypes) {
  const int radius = families.empty() ? 0 : families.front().son.radiusNear;
  appendFamilyHeader(list, cuentahijos(families), radius);
  if (families.empty()) return;
  FamilyLineWriter writer(underscoreLine(families.front().son.genotype.size()));
  std::string scratch;
  for (const Family& f : families) {
    if (!familyIsWritten(f)) continue;
    std::string sonText;
    std::string motherLine;
    std::string fatherLine;
    if (genotypes != nullptr) {
      appendGenotype(sonText, allelesOf(f.son.genotype).data(), f.son.genotype.size());
      motherLine = parentGenotypeLine("Mother ", f.mother.number,
                                      allelesOf(f.mother.genotype).data(), f.mother.genotype.size());
      fatherLine = parentGenotypeLine("Father ", f.father.number,
                                      allelesOf(f.father.genotype).data(), f.father.genotype.size());
    }
    writer.add(list, genotypes != nullptr ? *genotypes : scratch, f.son.number, isMarked(f),
               f.mother.number, f.father.number, sonText, motherLine, fatherLine);
    scratch.clear();
  }
}

}  // namespace

void writeParents(std::ostream& out, std::vector<Son> sons) {
  std::string text;
  appendParentHeader(text, !sons.empty(), sons.empty() ? 0 : sons.front().radiusNear);
  for (size_t i = 0; i < sons.size(); ++i) {
    const Son& son = sons[i];
    if (!son.hasCandidates()) continue;
    appendParentBlock(text, static_cast<int>(i + 1), reported(son.getVector("MIncluded")),
                      reported(son.getVector("MSemiIncluded")),
                      reported(son.getVector("PIncluded")),
                      reported(son.getVector("PSemiIncluded")));
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
}

void writeFamilieswithGenotypes(std::ostream& out, std::ostream& genotypes,
                                const std::vector<Family>& families) {
  std::string list;
  std::string listing;
  buildFamilyTexts(families, list, &listing);
  out.write(list.data(), static_cast<std::streamsize>(list.size()));
  out.flush();
  genotypes.write(listing.data(), static_cast<std::streamsize>(listing.size()));
  genotypes.flush();
}

bool writeFamilieswithGenotypes(std::ostream& out, std::vector<Family> families) {
  std::ofstream genotypes("Famgenotypes.out", std::ios::out | std::ios::trunc);
  writeFamilieswithGenotypes(out, genotypes, families);
  if (!genotypes) return false;
  genotypes.close();
  return !genotypes.fail();
}

void writeFamilies(std::ostream& out, std::vector<Family> families) {
  std::string list;
  buildFamilyTexts(families, list, nullptr);
  out.write(list.data(), static_cast<std::streamsize>(list.size()));
  out.flush();
}

void writeParentsRaw(std::ostream& out, std::vector<Son> sons) {
  std::string text;
  for (size_t i = 0; i < sons.size(); ++i) {
    if (!sons[i].hasCandidates()) continue;
    text += '\n';
    appendInt(text, static_cast<int64_t>(i + 1));
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
}
