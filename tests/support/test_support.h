#pragma once
// Small helpers shared by the unit tests: records made by hand, a temporary
// working folder, and a guard for the global missing-value code.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "reference/par.h"
#include "reference/progenitor.h"
#include "reference/son.h"
#include "reference/espacio.h"

using Loci = std::vector<std::pair<int, int>>;

inline std::vector<Par> toGenotype(const Loci& loci) {
  std::vector<Par> genotype;
  for (const auto& [a, b] : loci) {
    Par p;
    p.allele1 = a;
    p.allele2 = b;
    genotype.push_back(p);
  }
  return genotype;
}

// A candidate as the builder would make it (heteroSum from the alleles), plus
// the list flags the caller wants.
inline Progenitor makeParent(int number, const Loci& loci, bool hasMissing = false) {
  Progenitor p;
  p.number = number;
  p.genotype = toGenotype(loci);
  int64_t sum = 0;
  for (const auto& [a, b] : loci) sum += std::llabs(int64_t{a} - int64_t{b});
  p.heteroSum = saturateToInt32(sum);
  p.hasMissing = hasMissing;
  return p;
}

// A candidate identified only by number and ranking key.
inline Progenitor rankedParent(int number, int heteroSum) {
  Progenitor p;
  p.number = number;
  p.heteroSum = heteroSum;
  return p;
}

inline Son makeSon(int number, const Loci& loci, int radius, bool hasMissing = false) {
  Son s;
  s.number = number;
  s.genotype = toGenotype(loci);
  s.radiusNear = radius;
  s.radiusFar = radius;
  s.hasMissing = hasMissing;
  return s;
}

inline std::vector<int> numbersOf(const std::vector<Progenitor>& list) {
  std::vector<int> numbers;
  for (const Progenitor& p : list) numbers.push_back(p.number);
  return numbers;
}

// Sets valoresperdidos for one test and puts the previous value back, so tests
// that run in one process never see each other's code.
class MissingCode {
 public:
  explicit MissingCode(int code) : previous_(valoresperdidos) { valoresperdidos = code; }
  ~MissingCode() { valoresperdidos = previous_; }
  MissingCode(const MissingCode&) = delete;
  MissingCode& operator=(const MissingCode&) = delete;

 private:
  int previous_;
};

// A fresh folder made the current directory while the object lives: the
// writers and the distance's failure path write fixed file names there.
class ScopedWorkdir {
 public:
  ScopedWorkdir() : previous_(std::filesystem::current_path()) {
    char pattern[] = "/tmp/parentsphere_unit_XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    std::filesystem::current_path(path_);
  }
  ~ScopedWorkdir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedWorkdir(const ScopedWorkdir&) = delete;
  ScopedWorkdir& operator=(const ScopedWorkdir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

inline const std::string kDash = std::string(65, '-') + "\n";
