#pragma once
#include <cstdint>
#include <string>

// What to simulate. The defaults make a population the size of the example.
struct PopulationParams {
  int mothers = 30;       // with hermaphrodites: the plants
  int fathers = 30;       // none with hermaphrodites
  int offspring = 80;
  int loci = 10;
  uint64_t seed = 1;
  double related = 0.90;  // share of offspring from a real mother x father pair
  double missing = 0.02;  // share of loci written untyped (-99 -99)
  double error = 0.01;    // share of loci with one allele misread (one repeat off)
  double poor = 0.0;      // share of individuals with three loci in four untyped
  bool snp = false;       // biallelic loci (alleles 1 and 2) instead of microsatellites
  std::string frequencies;  // a frequencies file to draw alleles from; empty: made-up loci
  long long firstFatherId = 2000;  // fathers are numbered from here; mothers below it
  double unsampledMothers = 0.0;   // share of mothers (plants) left out of parents.PAR
  double unsampledFathers = 0.0;   // share of fathers left out of parents.PAR
  bool hermaphrodites = false;     // one set of plants, each a seed and a pollen parent
  double selfing = 0.0;            // with hermaphrodites: share of seeds that are selfs
  int groups = 0;                  // territories (0: none)
  double extraGroupFathers = 0.0;  // with groups: share of fathers from another group
};

struct Options {
  PopulationParams params;
  std::string folder = ".";
  bool truth = false;  // also write pedigree.txt
  bool help = false;
  bool lociGiven = false;  // --loci was on the command line
};

// The usage text printed by --help.
extern const char* const kUsage;

// Reads the command line. Returns false and a one-line reason in `error` on an
// unknown option, a missing or malformed value, a value out of range (as many
// mothers as the first father's identifier among them) or options that do not
// go together. The frequencies file itself is read later.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

// The command that makes exactly this population, every option spelled out
// (options left at a default that did not exist in the first version are
// left out), for the comment lines of the tables.
std::string commandLine(const PopulationParams& params);
