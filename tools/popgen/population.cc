#include "popgen/population.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "popgen/locus_model.h"
#include "popgen/random.h"
#include "popgen/table_writer.h"

namespace {

constexpr int kMissing = -99;
constexpr int kFirstFather = 2000;

// Separate streams for the loci, the parents and the offspring, so that asking
// for more offspring leaves the loci and the parents as they were.
enum Stream : uint64_t { kLociStream = 1, kParentStream = 2, kOffspringStream = 3 };

Rng streamRng(uint64_t seed, Stream stream) {
  return Rng(seed * 0x100000001b3ULL + stream * 0x9e3779b97f4a7c15ULL);
}

// A poor sample (degraded tissue) loses most loci, not one here and there.
constexpr double kPoorSampleMissing = 0.75;

double missingShare(Rng& rng, const PopulationParams& p) {
  return rng.chance(p.poor) ? kPoorSampleMissing : p.missing;
}

// What the genotyping saw: the locus untyped, or one allele a repeat off.
void observe(Rng& rng, const PopulationParams& p, double missing, int step, int& a, int& b) {
  if (rng.chance(missing)) {
    a = kMissing;
    b = kMissing;
    return;
  }
  if (rng.chance(p.error)) {
    int& wrong = rng.below(2) == 0 ? a : b;
    if (p.snp) {
      wrong = wrong == 1 ? 2 : 1;  // the other base; 0 would not be a valid allele
    } else {
      wrong += rng.below(2) == 0 ? -step : step;
    }
  }
  if (a > b) std::swap(a, b);
}

void writeLocus(TableWriter& out, int a, int b) {
  out.number(a);
  out.space();
  out.number(b);
}

}  // namespace

bool writePopulation(const PopulationParams& p, const std::string& folder, bool truth,
                     std::string& error) {
  const std::string made = " Made by: " + commandLine(p);
  const size_t loci = static_cast<size_t>(p.loci);

  Rng lociRng = streamRng(p.seed, kLociStream);
  std::vector<LocusModel> model;
  // Two loci in five are tetranucleotide, in a random order: a fixed share
  // keeps populations of one size alike in difficulty from seed to seed.
  std::vector<int> steps(loci, 2);
  for (size_t k = 0; k < (2 * loci + 2) / 5; ++k) steps[k] = 4;
  for (size_t k = loci; k > 1; --k) std::swap(steps[k - 1], steps[lociRng.below(k)]);
  for (size_t k = 0; k < loci; ++k) {
    model.push_back(p.snp ? makeSnpLocus(lociRng) : makeLocus(lociRng, steps[k]));
  }

  // True genotypes of the parents, row after row (mothers first), two alleles
  // a locus; sizes stay far below 65536.
  const size_t parentCount = static_cast<size_t>(p.mothers) + static_cast<size_t>(p.fathers);
  std::vector<uint16_t> parents(parentCount * loci * 2);
  Rng parentRng = streamRng(p.seed, kParentStream);
  for (size_t i = 0; i < parentCount * loci; ++i) {
    const LocusModel& locus = model[i % loci];
    parents[2 * i] = static_cast<uint16_t>(locus.draw(parentRng));
    parents[2 * i + 1] = static_cast<uint16_t>(locus.draw(parentRng));
  }

  const std::string parentsPath = folder + "/parents.PAR";
  TableWriter parentsOut(parentsPath);
  parentsOut.text("# Candidate parents, simulated: two allele columns per locus, then the identifier"
                  " (mothers 1 to " + std::to_string(p.mothers) + " first, then fathers from " +
                  std::to_string(kFirstFather) + ")." + made + "\n");
  for (size_t row = 0; row < parentCount; ++row) {
    const double missing = missingShare(parentRng, p);
    for (size_t k = 0; k < loci; ++k) {
      int a = parents[2 * (row * loci + k)];
      int b = parents[2 * (row * loci + k) + 1];
      observe(parentRng, p, missing, model[k].step, a, b);
      writeLocus(parentsOut, a, b);
      parentsOut.space();
    }
    const size_t mothers = static_cast<size_t>(p.mothers);
    parentsOut.number(row < mothers ? static_cast<long long>(row + 1)
                                    : static_cast<long long>(kFirstFather + (row - mothers)));
    parentsOut.endLine();
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
    size_t mother = 0;
    size_t father = 0;
    if (related) {
      mother = sonRng.below(static_cast<uint64_t>(p.mothers));
      father = static_cast<size_t>(p.mothers) + sonRng.below(static_cast<uint64_t>(p.fathers));
    }
    for (size_t k = 0; k < loci; ++k) {
      int a = 0;
      int b = 0;
      if (related) {
        a = parents[2 * (mother * loci + k) + sonRng.below(2)];
        b = parents[2 * (father * loci + k) + sonRng.below(2)];
      } else {
        a = model[k].draw(sonRng);
        b = model[k].draw(sonRng);
      }
      observe(sonRng, p, missing, model[k].step, a, b);
      if (k > 0) sonsOut.space();
      writeLocus(sonsOut, a, b);
    }
    sonsOut.endLine();
    if (truth) {
      TableWriter& out = *truthOut;
      out.number(son);
      if (related) {
        out.space();
        out.number(static_cast<long long>(mother + 1));
        out.space();
        out.number(kFirstFather + static_cast<long long>(father) - p.mothers);
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
  return true;
}
