#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "popgen/options.h"
#include "popgen/population.h"

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
  std::error_code failure;
  std::filesystem::create_directories(options.folder, failure);
  if (failure) {
    std::cerr << "popgen: can not create folder " << options.folder << ": " << failure.message()
              << "\n";
    return 1;
  }
  const PopulationParams& p = options.params;
  if (!writePopulation(p, options.folder, options.truth, error)) {
    std::cerr << "popgen: " << error << "\n";
    return 1;
  }
  std::cout << "popgen: wrote " << p.mothers << " mothers and " << p.fathers
            << " fathers to parents.PAR and " << p.offspring << " offspring to sons.PRO in "
            << options.folder << " (" << p.loci << " loci, seed " << p.seed << ")\n";
  return 0;
}
