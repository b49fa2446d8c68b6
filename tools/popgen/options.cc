#include "popgen/options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

const char* const kUsage =
    "Usage: popgen [options]\n"
    "\n"
    "Simulates a population of candidate parents and offspring genotyped at\n"
    "microsatellite loci and writes it as parents.PAR and sons.PRO, the input\n"
    "tables of parentsphere. The same options and seed give the same files.\n"
    "\n"
    "Each locus has 10 to 25 alleles on a ladder of 2- or 4-base-pair repeats\n"
    "(two loci in five are tetranucleotide), spread over one and a half times as\n"
    "many repeat numbers, with skewed frequencies: the r-th commonest allele is\n"
    "about 1/r as frequent as the commonest, and the common ones are neighbours.\n"
    "Parents are drawn from those frequencies; an offspring is either the child\n"
    "of a random mother x father pair (one allele from each at every locus) or\n"
    "an unrelated individual. Every individual then has loci left untyped\n"
    "(-99 -99) or one allele scored one repeat off at the given rates.\n"
    "\n"
    "Options (a value may also be given as --option=VALUE):\n"
    "  --mothers N     candidate mothers, numbered 1 to N; 1 to 1999 (default 30)\n"
    "  --fathers N     candidate fathers, numbered from 2000 on (default 30)\n"
    "  --offspring N   offspring (default 80)\n"
    "  --loci N        loci, 1 to 200, or to 2000 with --snp (default 10)\n"
    "  --seed N        seed of the random generator, 0 to 2^64-1 (default 1)\n"
    "  --out DIR       folder to write into, created if missing (default .)\n"
    "  --related P     share of offspring with a real mother x father pair (default 0.9)\n"
    "  --missing P     share of loci left untyped, written -99 -99 (default 0.02)\n"
    "  --error P       share of loci with one allele one repeat off (default 0.01)\n"
  "  --poor P        share of individuals from poor samples, with each locus\n"
  "                  untyped at a chance of 3 in 4 instead of --missing (default 0)\n"
    "  --snp           SNP loci instead: two alleles, 1 and 2, with a minor allele\n"
    "                  share of 0.1 to 0.5 per locus; an error scores the other allele\n"
    "  --truth         also write pedigree.txt: each offspring's true mother and\n"
    "                  father, or '- -' for an unrelated offspring\n"
    "  --help          show this text\n"
    "\n"
    "Shares P are fractions from 0 to 1. Mothers are listed first in parents.PAR,\n"
    "then fathers; each row holds two allele columns per locus and the identifier.\n";

namespace {

// Microsatellite panels stay below a few hundred loci; SNP panels run larger.
constexpr long long kMaxLoci = 200;
constexpr long long kMaxSnpLoci = 2000;

bool parseCount(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  value = std::stoll(text);
  return value >= low && value <= high;
}

bool parseSeed(const std::string& text, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  errno = 0;
  value = std::strtoull(text.c_str(), nullptr, 10);
  return errno == 0;
}

bool parseShare(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  // The comparisons are false for NaN, which is rejected with the rest.
  return *end == '\0' && value >= 0.0 && value <= 1.0;
}

// The shortest decimal text that reads back as the same share, so the command
// in the comment lines remakes the population exactly.
std::string shareText(double share) {
  char text[40];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, share);
    if (std::strtod(text, nullptr) == share) break;
  }
  return text;
}

}  // namespace

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
  PopulationParams& p = options.params;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--truth") {
      options.truth = true;
      continue;
    }
    if (name == "--snp") {
      p.snp = true;
      continue;
    }
    const bool known = name == "--mothers" || name == "--fathers" || name == "--offspring" ||
                       name == "--loci" || name == "--seed" || name == "--out" ||
                       name == "--related" || name == "--missing" || name == "--error" ||
                       name == "--poor";
    if (!known) {
      error = "unknown option '" + name + "'";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        error = name + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    const std::string bad = name + " " + value + ": ";
    long long count = 0;
    if (name == "--mothers") {
      if (parseCount(value, 0, 999999999999999999LL, count) && count > 1999) {
        error = bad + "at most 1999 mothers (mothers are numbered 1 to 1999; 2000 and above are fathers)";
        return false;
      }
      if (!parseCount(value, 1, 1999, count)) {
        error = bad + "expected a whole number from 1 to 1999";
        return false;
      }
      p.mothers = static_cast<int>(count);
    } else if (name == "--fathers") {
      if (!parseCount(value, 1, 1000000, count)) {
        error = bad + "expected a whole number from 1 to 1000000";
        return false;
      }
      p.fathers = static_cast<int>(count);
    } else if (name == "--offspring") {
      if (!parseCount(value, 1, 100000000, count)) {
        error = bad + "expected a whole number from 1 to 100000000";
        return false;
      }
      p.offspring = static_cast<int>(count);
    } else if (name == "--loci") {
      if (!parseCount(value, 1, kMaxSnpLoci, count)) {
        error = bad + "expected a whole number from 1 to 200 (2000 with --snp)";
        return false;
      }
      p.loci = static_cast<int>(count);
    } else if (name == "--seed") {
      if (!parseSeed(value, p.seed)) {
        error = bad + "expected a whole number from 0 to 18446744073709551615";
        return false;
      }
    } else if (name == "--out") {
      if (value.empty()) {
        error = "--out needs a folder name";
        return false;
      }
      options.folder = value;
    } else {
      double& share = name == "--related"   ? p.related
                      : name == "--missing" ? p.missing
                      : name == "--error"   ? p.error
                                            : p.poor;
      if (!parseShare(value, share)) {
        error = bad + "expected a share from 0 to 1";
        return false;
      }
    }
  }
  if (p.loci > kMaxLoci && !p.snp) {
    error = "--loci " + std::to_string(p.loci) + ": more than 200 loci only with --snp";
    return false;
  }
  return true;
}

std::string commandLine(const PopulationParams& p) {
  return "popgen --mothers " + std::to_string(p.mothers) + " --fathers " +
         std::to_string(p.fathers) + " --offspring " + std::to_string(p.offspring) + " --loci " +
         std::to_string(p.loci) + " --seed " + std::to_string(p.seed) + " --related " +
         shareText(p.related) + " --missing " + shareText(p.missing) + " --error " +
         shareText(p.error) + " --poor " + shareText(p.poor) + (p.snp ? " --snp" : "");
}
