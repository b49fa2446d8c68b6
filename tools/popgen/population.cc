#include "popgen/population.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "popgen/locus_model.h"
#include "popgen/matings.h"
#include "popgen/random.h"
#include "popgen/table_writer.h"

namespace {

constexpr int kMissing = -99;

// Separate streams for the loci, the parents and the offspring, so that asking
// for more offspring leaves the loci and the parents as they were.
enum Stream : uint64_t {
  kLociStream = 1,
  kParentStream = 2,
  kOffspringStream = 3,
  kSampleStream = 4,  // which parents are left out of parents.PAR
};

Rng streamRng(uint64_t seed, Stream stream) {
  return Rng(seed * 0x100000001b3ULL + stream * 0x9e3779b97f4a7c15ULL);
}

// A poor sample (degraded tissue) loses most loci, not one here and there.
constexpr double kPoorSampleMissing = 0.75;

double missingShare(Rng& rng, const PopulationParams& p) {
  return rng.chance(p.poor) ? kPoorSampleMissing : p.missing;
}

// What the genotyping saw: the locus untyped, or one allele a repeat off.
void observe(Rng& rng, const PopulationParams& p, double missing, const LocusModel& locus, int& a,
             int& b) {
  if (rng.chance(missing)) {
    a = kMissing;
    b = kMissing;
    return;
  }
  if (rng.chance(p.error)) {
    int& wrong = rng.below(2) == 0 ? a : b;
    wrong = locus.misread(rng, wrong);
  }
  if (a > b) std::swap(a, b);
}

void writeLocus(TableWriter& out, int a, int b) {
  out.number(a);
  out.space();
  out.number(b);
}

// Marks `leftOut` of the `count` parents from row `first` on as left out of
// parents.PAR, chosen at random.
void chooseLeftOut(Rng& rng, size_t first, size_t count, size_t leftOut, std::vector<char>& out) {
  std::vector<size_t> rows(count);
  for (size_t k = 0; k < count; ++k) rows[k] = first + k;
  for (size_t k = 0; k < leftOut; ++k) {
    std::swap(rows[k], rows[k + rng.below(count - k)]);
    out[rows[k]] = 1;
  }
}

std::string parentsHeader(const PopulationParams& p, size_t mothersOut, size_t fathersOut) {
  const std::string mothers = std::to_string(p.mothers);
  if (p.hermaphrodites) {
    return "# Candidate parents, simulated: two allele columns per locus, then the identifier"
           " (plants 1 to " + mothers + ", each a candidate mother and father" +
           (mothersOut > 0 ? "; " + std::to_string(mothersOut) + " plants left out" : "") + ").";
  }
  std::string text = "# Candidate parents, simulated: two allele columns per locus, then the"
                     " identifier (mothers 1 to " + mothers + " first, then fathers from " +
                     std::to_string(p.firstFatherId) + ")";
  if (mothersOut > 0 || fathersOut > 0) {
    text += "; left out: " + std::to_string(mothersOut) + " mothers and " +
            std::to_string(fathersOut) + " fathers";
  }
  return text + ".";
}

}  // namespace

bool writePopulation(const PopulationParams& p, const std::vector<LocusModel>& listed,
                     const std::string& folder, bool truth, std::string& error) {
  const std::string made = " Made by: " + commandLine(p);
  const size_t loci = static_cast<size_t>(p.loci);

  std::vector<LocusModel> model = listed;
  if (model.empty()) {
    Rng lociRng = streamRng(p.seed, kLociStream);
    // Two loci in five are tetranucleotide, in a random order: a fixed share
    // keeps populations of one size alike in difficulty from seed to seed.
    std::vector<int> steps(loci, 2);
    for (size_t k = 0; k < (2 * loci + 2) / 5; ++k) steps[k] = 4;
    for (size_t k = loci; k > 1; --k) std::swap(steps[k - 1], steps[lociRng.below(k)]);
    for (size_t k = 0; k < loci; ++k) {
      model.push_back(p.snp ? makeSnpLocus(lociRng) : makeLocus(lociRng, steps[k]));
    }
  }

  // True genotypes of the parents, row after row (mothers first), two alleles
  // a locus; sizes stay far below 65536.
  const size_t mothers = static_cast<size_t>(p.mothers);
  const size_t parentCount = mothers + static_cast<size_t>(p.fathers);
  std::vector<uint16_t> parents(parentCount * loci * 2);
  Rng parentRng = streamRng(p.seed, kParentStream);
  for (size_t i = 0; i < parentCount * loci; ++i) {
    const LocusModel& locus = model[i % loci];
    parents[2 * i] = static_cast<uint16_t>(locus.draw(parentRng));
    parents[2 * i + 1] = static_cast<uint16_t>(locus.draw(parentRng));
  }

  // Parents left out of the file are drawn from their own stream: the same
  // seed gives the same population with or without them.
  std::vector<char> leftOut(parentCount, 0);
  const size_t mothersOut = leftOutCount(p.unsampledMothers, mothers);
  const size_t fathersOut = leftOutCount(p.unsampledFathers, parentCount - mothers);
  Rng sampleRng = streamRng(p.seed, kSampleStream);
  chooseLeftOut(sampleRng, 0, mothers, mothersOut, leftOut);
  chooseLeftOut(sampleRng, mothers, parentCount - mothers, fathersOut, leftOut);

  const Matings matings(p);
  const auto identifier = [&](size_t row) {
    return row < mothers ? static_cast<long long>(row + 1)
                         : p.firstFatherId + static_cast<long long>(row - mothers);
  };
  const std::string groupsPath = folder + "/groups.tsv";
  std::optional<TableWriter> groupsOut;
  if (p.groups > 0) {
    groupsOut.emplace(groupsPath);
    groupsOut->text("number\trole\tgroup\n");
  }

  const std::string parentsPath = folder + "/parents.PAR";
  TableWriter parentsOut(parentsPath);
  parentsOut.text(parentsHeader(p, mothersOut, fathersOut) + made + "\n");
  for (size_t row = 0; row < parentCount; ++row) {
    const double missing = missingShare(parentRng, p);
    for (size_t k = 0; k < loci; ++k) {
      int a = parents[2 * (row * loci + k)];
      int b = parents[2 * (row * loci + k) + 1];
      // A parent left out is still typed, so the others keep their draws.
      observe(parentRng, p, missing, model[k], a, b);
      if (leftOut[row]) continue;
      writeLocus(parentsOut, a, b);
      parentsOut.space();
    }
    if (leftOut[row]) continue;
    parentsOut.number(identifier(row));
    parentsOut.endLine();
    if (groupsOut) {
      const std::string group = "\t" + std::to_string(matings.groupOf(row)) + "\n";
      const bool mother = row < mothers;
      groupsOut->number(identifier(row));
      groupsOut->text((mother ? "\tmother" : "\tfather") + group);
      if (p.hermaphrodites) {
        groupsOut->number(identifier(row));
        groupsOut->text("\tfather" + group);
      }
    }
  }
  if (!parentsOut.close(error)) {
    error = "can not write " + parentsPath + ": " + error;
    return false;
  }

  const std::string sonsPath = folder + "/sons.PRO";
  const std::string truthPath = folder + "/pedigree.txt";
  TableWriter sonsOut(sonsPath);
  sonsOut.text("# Offspring, simulated: two allele columns per locus (-99 -99: untyped)." + made +
               "\n");
  // Written only with --truth; the file is not opened otherwise.
  std::optional<TableWriter> truthOut;
  if (truth) {
    truthOut.emplace(truthPath);
    truthOut->text("# True parents of the offspring of sons.PRO: offspring number, mother,"
                     " father ('- -': unrelated)." + made + "\n");
  }
  Rng sonRng = streamRng(p.seed, kOffspringStream);
  for (long long son = 1; son <= p.offspring; ++son) {
    const bool related = sonRng.chance(p.related);
    const double missing = missingShare(sonRng, p);
    const size_t group = matings.drawGroup(sonRng);
    TrueParents pair;
    if (related) pair = matings.draw(sonRng, group);
    for (size_t k = 0; k < loci; ++k) {
      int a = 0;
      int b = 0;
      if (related) {
        a = parents[2 * (pair.mother * loci + k) + sonRng.below(2)];
        b = parents[2 * (pair.father * loci + k) + sonRng.below(2)];
      } else {
        a = model[k].draw(sonRng);
        b = model[k].draw(sonRng);
      }
      observe(sonRng, p, missing, model[k], a, b);
      if (k > 0) sonsOut.space();
      writeLocus(sonsOut, a, b);
    }
    sonsOut.endLine();
    if (groupsOut) {
      groupsOut->number(son);
      groupsOut->text("\toffspring\t" + std::to_string(group + 1) + "\n");
    }
    if (truth) {
      TableWriter& out = *truthOut;
      out.number(son);
      if (related) {
        out.space();
        out.number(identifier(pair.mother));
        out.space();
        out.number(identifier(pair.father));
        out.endLine();
      } else {
        out.text(" - -\n");
      }
    }
  }
  if (!sonsOut.close(error)) {
    error = "can not write " + sonsPath + ": " + error;
    return false;
  }
  if (truth && !truthOut->close(error)) {
    error = "can not write " + truthPath + ": " + error;
    return false;
  }
  if (groupsOut && !groupsOut->close(error)) {
    error = "can not write " + groupsPath + ": " + error;
    return false;
  }
  return true;
}
