#include "popgen/options.h"

#include <algorithm>
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
    "  --mothers N     candidate mothers, numbered 1 to N; N below the first\n"
    "                  father's identifier (default 30)\n"
    "  --fathers N     candidate fathers, numbered from 2000 on (or from\n"
    "                  --first-father-id); 1 to 1000000 (default 30)\n"
    "  --first-father-id N\n"
    "                  number the fathers from N instead of 2000 (2 to 1000000000),\n"
    "                  which allows up to N-1 mothers; give parentsphere the same\n"
    "                  --first-father-id\n"
    "  --offspring N   offspring (default 80)\n"
    "  --loci N        loci, 1 to 200, or to 2000 with --snp (default 10); with\n"
    "                  --frequencies, the file's loci (--loci must then agree)\n"
    "  --seed N        seed of the random generator, 0 to 2^64-1 (default 1)\n"
    "  --out DIR       folder to write into, created if missing (default .)\n"
    "  --related P     share of offspring with a real mother x father pair (default 0.9)\n"
    "  --missing P     share of loci left untyped, written -99 -99 (default 0.02)\n"
    "  --error P       share of loci with one allele one repeat off (default 0.01)\n"
    "  --poor P        share of individuals from poor samples, with each locus\n"
    "                  untyped at a chance of 3 in 4 instead of --missing (default 0)\n"
    "  --snp           SNP loci instead: two alleles, 1 and 2, with a minor allele\n"
    "                  share of 0.1 to 0.5 per locus; an error scores the other allele\n"
    "  --frequencies FILE\n"
    "                  draw the alleles from FILE, in the layout parentsphere's\n"
    "                  --frequencies reads: one line per allele, 'locus allele\n"
    "                  frequency' (loci numbered from 1, alleles 1 to 65535, '#'\n"
    "                  lines skipped); an error then reads the next smaller or\n"
    "                  larger allele of the file instead. Not with --snp\n"
    "  --unsampled-mothers F\n"
    "                  leave this share of the mothers (0 <= F < 1; rounded to a\n"
    "                  whole number, at least one mother kept) out of parents.PAR;\n"
    "                  they still have offspring and stay in pedigree.txt\n"
    "  --unsampled-fathers F\n"
    "                  the same for the fathers\n"
    "  --hermaphrodites\n"
    "                  one set of plants instead of mothers and fathers: --mothers N\n"
    "                  plants, numbered 1 to N, each listed once in parents.PAR;\n"
    "                  each seed has a seed parent and a pollen parent drawn from all\n"
    "                  plants (--fathers and --unsampled-fathers do not apply;\n"
    "                  --unsampled-mothers leaves out plants)\n"
    "  --selfing RATE  with --hermaphrodites: share of the seeds of a real pair\n"
    "                  that are selfs, pollen parent = seed parent (default 0);\n"
    "                  pedigree.txt then gives the same plant twice\n"
    "  --groups N      put parents and offspring into N groups (territories, 1 to\n"
    "                  the number of mothers and of fathers): parent i of each sex\n"
    "                  (counting from 0 in the order of parents.PAR) is in group\n"
    "                  i mod N + 1, an offspring in a random group, and its parents\n"
    "                  in its group; writes groups.tsv (tab-separated, header\n"
    "                  'number role group', one line per individual: sampled\n"
    "                  parents by identifier with role mother or father, a plant\n"
    "                  under both roles, offspring by row from 1 with role\n"
    "                  offspring). Drop the father lines to bound the mothers alone\n"
    "  --extra-group-fathers F\n"
    "                  with --groups: share of the offspring whose father (pollen\n"
    "                  parent) comes from another group (0 <= F <= 1; default 0)\n"
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
constexpr long long kMaxParents = 1000000;
constexpr long long kDefaultFirstFatherId = 2000;
// With at most a million fathers, identifiers stay within 32-bit whole numbers.
constexpr long long kMaxFirstFatherId = 1000000000;

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
  bool fathersGiven = false;
  bool unsampledFathersGiven = false;
  bool selfingGiven = false;
  bool extraGiven = false;
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
    const bool flag = name == "--help" || name == "-h" || name == "--truth" || name == "--snp" ||
                      name == "--hermaphrodites";
    if (flag && hasValue) {
      error = name + " takes no value";
      return false;
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
    if (name == "--hermaphrodites") {
      p.hermaphrodites = true;
      continue;
    }
    const bool known = name == "--mothers" || name == "--fathers" || name == "--offspring" ||
                       name == "--loci" || name == "--seed" || name == "--out" ||
                       name == "--related" || name == "--missing" || name == "--error" ||
                       name == "--poor" || name == "--frequencies" ||
                       name == "--first-father-id" || name == "--unsampled-mothers" ||
                       name == "--unsampled-fathers" || name == "--selfing" ||
                       name == "--groups" || name == "--extra-group-fathers";
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
      if (!parseCount(value, 1, kMaxParents, count)) {
        error = bad + "expected a whole number from 1 to 1000000";
        return false;
      }
      p.mothers = static_cast<int>(count);
    } else if (name == "--fathers") {
      if (!parseCount(value, 1, kMaxParents, count)) {
        error = bad + "expected a whole number from 1 to 1000000";
        return false;
      }
      p.fathers = static_cast<int>(count);
      fathersGiven = true;
    } else if (name == "--first-father-id") {
      if (!parseCount(value, 2, kMaxFirstFatherId, count)) {
        error = bad + "expected a whole number from 2 to 1000000000";
        return false;
      }
      p.firstFatherId = count;
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
      options.lociGiven = true;
    } else if (name == "--groups") {
      if (!parseCount(value, 1, kMaxParents, count)) {
        error = bad + "expected a whole number from 1 to 1000000";
        return false;
      }
      p.groups = static_cast<int>(count);
    } else if (name == "--seed") {
      if (!parseSeed(value, p.seed)) {
        error = bad + "expected a whole number from 0 to 18446744073709551615";
        return false;
      }
    } else if (name == "--out" || name == "--frequencies") {
      if (value.empty()) {
        error = name + (name == "--out" ? " needs a folder name" : " needs a file name");
        return false;
      }
      (name == "--out" ? options.folder : p.frequencies) = value;
    } else if (name == "--unsampled-mothers" || name == "--unsampled-fathers") {
      double& share = name == "--unsampled-mothers" ? p.unsampledMothers : p.unsampledFathers;
      if (!parseShare(value, share) || share >= 1.0) {
        error = bad + "expected a share from 0 to below 1";
        return false;
      }
      unsampledFathersGiven |= name == "--unsampled-fathers";
    } else {
      double& share = name == "--related"             ? p.related
                      : name == "--missing"           ? p.missing
                      : name == "--error"             ? p.error
                      : name == "--selfing"           ? p.selfing
                      : name == "--extra-group-fathers" ? p.extraGroupFathers
                                                      : p.poor;
      if (!parseShare(value, share)) {
        error = bad + "expected a share from 0 to 1";
        return false;
      }
      selfingGiven |= name == "--selfing";
      extraGiven |= name == "--extra-group-fathers";
    }
  }
  if (p.loci > kMaxLoci && !p.snp) {
    error = "--loci " + std::to_string(p.loci) + ": more than 200 loci only with --snp";
    return false;
  }
  if (p.snp && !p.frequencies.empty()) {
    error = "--snp and --frequencies do not go together (the file gives the alleles)";
    return false;
  }
  if (p.mothers >= p.firstFatherId) {
    const std::string last = std::to_string(p.firstFatherId - 1);
    error = "--mothers " + std::to_string(p.mothers) + ": at most " + last + " mothers" +
            (p.hermaphrodites ? " (plants)" : "") + " (mothers are numbered 1 to " + last +
            "; " + std::to_string(p.firstFatherId) +
            " and above are fathers; --first-father-id raises the limit)";
    return false;
  }
  if (p.hermaphrodites) {
    if (fathersGiven || unsampledFathersGiven) {
      error = std::string(fathersGiven ? "--fathers" : "--unsampled-fathers") +
              " does not apply with --hermaphrodites (--mothers gives the plants)";
      return false;
    }
    p.fathers = 0;
  } else if (selfingGiven) {
    error = "--selfing needs --hermaphrodites";
    return false;
  }
  if (extraGiven && p.groups == 0) {
    error = "--extra-group-fathers needs --groups";
    return false;
  }
  if (p.extraGroupFathers > 0 && p.groups == 1) {
    error = "--extra-group-fathers needs at least 2 groups (--groups 1 has no other group)";
    return false;
  }
  const int smallestSex = p.hermaphrodites ? p.mothers : std::min(p.mothers, p.fathers);
  if (p.groups > smallestSex) {
    error = "--groups " + std::to_string(p.groups) + ": more groups than " +
            (p.hermaphrodites ? "plants" : p.mothers <= p.fathers ? "mothers" : "fathers") +
            " (" + std::to_string(smallestSex) + "); every group needs a parent of each role";
    return false;
  }
  return true;
}

namespace {

// A path as one shell word: quoted unless it holds only safe characters.
std::string shellWord(const std::string& text) {
  if (text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                             "_-./+:,@%") == std::string::npos) {
    return text;
  }
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string commandLine(const PopulationParams& p) {
  std::string line = "popgen --mothers " + std::to_string(p.mothers);
  if (!p.hermaphrodites) line += " --fathers " + std::to_string(p.fathers);
  line += " --offspring " + std::to_string(p.offspring) + " --loci " + std::to_string(p.loci) +
          " --seed " + std::to_string(p.seed) + " --related " + shareText(p.related) +
          " --missing " + shareText(p.missing) + " --error " + shareText(p.error) + " --poor " +
          shareText(p.poor) + (p.snp ? " --snp" : "");
  if (!p.frequencies.empty()) line += " --frequencies " + shellWord(p.frequencies);
  if (p.firstFatherId != kDefaultFirstFatherId) {
    line += " --first-father-id " + std::to_string(p.firstFatherId);
  }
  if (p.unsampledMothers > 0) line += " --unsampled-mothers " + shareText(p.unsampledMothers);
  if (p.unsampledFathers > 0) line += " --unsampled-fathers " + shareText(p.unsampledFathers);
  if (p.hermaphrodites) line += " --hermaphrodites --selfing " + shareText(p.selfing);
  if (p.groups > 0) {
    line += " --groups " + std::to_string(p.groups) + " --extra-group-fathers " +
            shareText(p.extraGroupFathers);
  }
  return line;
}
