#include "calibration/offspring_simulator.h"

#include <algorithm>
#include <numeric>

#include "calibration/sim_random.h"

namespace {

// The share of `rows` untyped at each locus.
std::vector<double> untypedShares(const GenotypeTables& tables) {
  std::vector<double> shares(static_cast<size_t>(tables.loci), 0.0);
  if (tables.offspring.empty()) return shares;
  for (const std::vector<int>& row : tables.offspring) {
    for (int32_t l = 0; l < tables.loci; ++l) {
      if (!locusTyped(row.data(), l, tables.missing)) shares[static_cast<size_t>(l)] += 1.0;
    }
  }
  for (double& share : shares) share /= static_cast<double>(tables.offspring.size());
  return shares;
}

}  // namespace

// The draws of one offspring, from its own stream.
class OffspringSimulator::Draw {
 public:
  Draw(const OffspringSimulator& simulator, uint64_t index)
      : sim_(simulator), random_(SimRandom::forOffspring(simulator.settings_.seed, index)) {}

  // An allele drawn from the frequencies at `locus`; the missing code when
  // the locus lists none.
  int allele(size_t locus) {
    const Locus& l = sim_.loci_[locus];
    if (l.alleles.empty()) return sim_.tables_.missing;
    const double u = random_.uniform();
    const size_t at = static_cast<size_t>(
        std::upper_bound(l.cumulative.begin(), l.cumulative.end(), u) - l.cumulative.begin());
    return l.alleles[std::min(at, l.alleles.size() - 1)];
  }

  // The allele a parent passes at `locus`: one of its two, or one drawn from
  // the frequencies where the parent is untyped (its genotype is unknown).
  // A candidate's genotype is as typed, errors included: the allele it
  // truly passes differs from the one on record at the error rate too.
  int passed(const int* parent, size_t locus) {
    const int32_t l = static_cast<int32_t>(locus);
    if (parent == nullptr || !locusTyped(parent, l, sim_.tables_.missing)) return allele(locus);
    return typed(parent[2 * locus + random_.below(2)], locus);
  }

  // `value` as typed: unchanged, or with the error rate replaced by a random
  // allele (half the errors) or moved one repeat step up or down.
  int typed(int value, size_t locus) {
    if (value == sim_.tables_.missing || !random_.chance(sim_.settings_.errorRate)) return value;
    if (random_.chance(0.5)) return allele(locus);
    const int step = sim_.loci_[locus].step;
    const int moved = random_.chance(0.5) ? value + step : value - step;
    return moved == sim_.tables_.missing ? value : moved;
  }

  // A candidate row of `first` to `end` (exclusive) with chance `sampled`,
  // else -1 (an unsampled parent).
  int32_t parent(int32_t first, int32_t end, double sampled) {
    if (end <= first || !random_.chance(sampled)) return -1;
    return first + static_cast<int32_t>(random_.below(static_cast<size_t>(end - first)));
  }

  int32_t knownMother() { return sim_.knownRows_[random_.below(sim_.knownRows_.size())]; }
  bool chance(double p) { return random_.chance(p); }

 private:
  const OffspringSimulator& sim_;
  SimRandom random_;
};

OffspringSimulator::OffspringSimulator(const GenotypeTables& tables,
                                       const AlleleFrequencies& frequencies,
                                       const std::vector<int32_t>& knownMothers,
                                       const SimulationSettings& settings)
    : tables_(tables), settings_(settings), missingRates_(untypedShares(tables)) {
  for (int32_t l = 0; l < tables.loci; ++l) {
    Locus& locus = loci_.emplace_back();
    locus.alleles = frequencies.allelesAt(l);
    const std::vector<double>& weights = frequencies.frequenciesAt(l);
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    double sum = 0.0;
    for (double weight : weights) locus.cumulative.push_back((sum += weight) / total);
    if (!locus.cumulative.empty()) locus.cumulative.back() = 1.0;
    int64_t step = 0;
    for (size_t i = 1; i < locus.alleles.size(); ++i) {
      step = std::gcd(step, int64_t{locus.alleles[i]} - locus.alleles[i - 1]);
    }
    locus.step = step > 0 && step < 1000 ? static_cast<int32_t>(step) : 1;
  }
  for (int32_t row : knownMothers) {
    if (row >= 0) knownRows_.push_back(row);
  }
}

void OffspringSimulator::simulate(uint64_t index, SimulatedOffspring& out) const {
  Draw draw(*this, index);
  out.knownMother = knownMothers();
  out.mother = out.knownMother
                   ? draw.knownMother()
                   : draw.parent(0, tables_.mothers, settings_.sampledMothers);
  out.father = draw.parent(tables_.mothers, static_cast<int32_t>(tables_.parents.size()),
                           settings_.sampledFathers);
  const int* mother = out.mother < 0 ? nullptr : tables_.parents[static_cast<size_t>(out.mother)].data();
  const int* father = out.father < 0 ? nullptr : tables_.parents[static_cast<size_t>(out.father)].data();
  out.row.assign(2 * static_cast<size_t>(tables_.loci), tables_.missing);
  for (size_t l = 0; l < loci_.size(); ++l) {
    // Every draw is made whether or not the locus ends up untyped, so one
    // locus's missing value does not shift the draws of the next.
    const int fromMother = draw.typed(draw.passed(mother, l), l);
    const int fromFather = draw.typed(draw.passed(father, l), l);
    if (draw.chance(missingRates_[l])) continue;
    out.row[2 * l] = fromMother;
    out.row[2 * l + 1] = fromFather;
  }
}
