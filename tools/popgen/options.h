#pragma once
#include <cstdint>
#include <string>

// What to simulate. The defaults make a population the size of the example.
struct PopulationParams {
  int mothers = 30;
  int fathers = 30;
  int offspring = 80;
  int loci = 10;
  uint64_t seed = 1;
  double related = 0.90;  // share of offspring from a real mother x father pair
  double missing = 0.02;  // share of loci written untyped (-99 -99)
  double error = 0.01;    // share of loci with one allele scored one repeat off
  double poor = 0.0;      // share of individuals with three loci in four untyped
  bool snp = false;       // biallelic loci (alleles 1 and 2) instead of microsatellites
};

struct Options {
  PopulationParams params;
  std::string folder = ".";
  bool truth = false;  // also write pedigree.txt
  bool help = false;
};

// The usage text printed by --help.
extern const char* const kUsage;

// Reads the command line. Returns false and a one-line reason in `error` on an
// unknown option, a missing or malformed value, or a value out of range (more
// than 1999 mothers among them: mothers are numbered below 2000).
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

// The command that makes exactly this population, every option spelled out,
// for the comment lines of the tables.
std::string commandLine(const PopulationParams& params);
