// Fuzzes the ranked table: the whole program with --table on two small
// tables cut from the input:
//   <options byte> <typed answer> '|' <parents.PAR> '|' <sons.PRO>
// The options byte picks the limit K (0 to 4, or auto), the error rate,
// hermaphrodites with or without selfing, and the first father's identifier.
// The run is made once under every kernel kind the processor has and with
// one and two threads: status, streams, reports and table must be the same
// byte for byte (the kernels promise the scalar loops' results to the last
// bit, and any thread count the same rows). A run that succeeds writes a
// table with its header.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "app/program.h"
#include "run_folder.h"
#include "util/cpu_features.h"

namespace {

using fuzzing::check;

// As in analysis_fuzz: bigger tables make the runs slower, not more varied.
constexpr size_t kMaxLinesPerTable = 40;
const char* const kOutputs[] = {"Parent.out", "Fam.out", "Famgenotypes.out", "table.tsv"};

// Everything a run leaves: its status, its streams and its files.
std::string runOnce(const RunOptions& options, const std::string& typed) {
  for (const char* output : kOutputs) std::remove(output);
  std::istringstream in{typed};
  std::ostringstream out;
  std::ostringstream err;
  const int status = runProgram(options, in, out, err);
  std::string all = std::to_string(status) + "\n" + out.str() + "\n" + err.str();
  for (const char* output : kOutputs) {
    all += std::string("\n== ") + output + "\n" +
           (fuzzing::exists(output) ? fuzzing::readAll(output) : "(absent)");
  }
  if (status == 0) {
    check(fuzzing::readAll("table.tsv").compare(0, 10, "offspring\t") == 0,
          "a complete run's table lacks its header");
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const fuzzing::InRunFolder inRunFolder;
  const uint8_t choice = data[0];
  const std::string typed(fuzzing::putTables(
      std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), kMaxLinesPerTable));

  RunOptions options;
  options.quiet = true;
  options.table.table = "table.tsv";
  RankingSettings& settings = options.table.settings;
  const int limit = choice % 6;  // 5: auto
  settings.autoMismatches = limit == 5;
  settings.maxMismatches = limit == 5 ? 2 : limit;
  settings.maxMismatchesGiven = true;
  const double rates[] = {0.02, 1e-6, 0.2, 0.5};
  settings.errorRate = rates[(choice / 6) % 4];
  const int sexes = (choice / 24) % 3;  // 0: apart; 1, 2: hermaphrodites, selfing or not
  settings.hermaphrodites = sexes != 0;
  settings.selfing = sexes != 2;
  if ((choice / 72) % 2 == 1) options.firstFatherId = 3;

  std::string first;
  for (KernelKind kind : availableKernels()) {
    useKernel(kind);
    for (unsigned threads : {1u, 2u}) {
      options.threads = threads;
      const std::string all = runOnce(options, typed);
      if (first.empty()) {
        first = all;
      } else {
        check(all == first, "a kernel kind or thread count changed the run");
      }
    }
  }
  useDefaultKernel();
  return 0;
}
