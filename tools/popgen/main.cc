#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "popgen/frequency_file.h"
#include "popgen/matings.h"
#include "popgen/options.h"
#include "popgen/population.h"

namespace {

// "40 mothers", or "28 of 40 mothers (12 left out)" when some are left out.
std::string sampled(int count, double share, const std::string& what) {
  const size_t out = leftOutCount(share, static_cast<size_t>(count));
  if (out == 0) return std::to_string(count) + " " + what;
  return std::to_string(static_cast<size_t>(count) - out) + " of " + std::to_string(count) + " " +
         what + " (" + std::to_string(out) + " left out)";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!parseOptions(argc, argv, options, error)) {
    std::cerr << "popgen: " << error << "\nRun 'popgen --help' for the options.\n";
    return 2;
  }
  if (options.help) {
    std::cout << kUsage;
    return 0;
  }
  PopulationParams& p = options.params;
  std::vector<LocusModel> listed;
  if (!p.frequencies.empty()) {
    if (!readFrequencyFile(p.frequencies, listed, error)) {
      std::cerr << "popgen: " << error << "\n";
      return 1;
    }
    if (options.lociGiven && static_cast<size_t>(p.loci) != listed.size()) {
      std::cerr << "popgen: --loci " << p.loci << ": " << p.frequencies << " has "
                << listed.size() << " loci\nRun 'popgen --help' for the options.\n";
      return 2;
    }
    p.loci = static_cast<int>(listed.size());
  }
  std::error_code failure;
  std::filesystem::create_directories(options.folder, failure);
  if (failure) {
    std::cerr << "popgen: can not create folder " << options.folder << ": " << failure.message()
              << "\n";
    return 1;
  }
  if (!writePopulation(p, listed, options.folder, options.truth, error)) {
    std::cerr << "popgen: " << error << "\n";
    return 1;
  }
  std::cout << "popgen: wrote ";
  if (p.hermaphrodites) {
    std::cout << sampled(p.mothers, p.unsampledMothers, "plants");
  } else {
    std::cout << sampled(p.mothers, p.unsampledMothers, "mothers") << " and "
              << sampled(p.fathers, p.unsampledFathers, "fathers");
  }
  std::cout << " to parents.PAR and " << p.offspring << " offspring to sons.PRO in "
            << options.folder << " (" << p.loci << " loci, seed " << p.seed << ")\n";
  return 0;
}
