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
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "util/cpu_features.h"

namespace {

// As in analysis_fuzz: bigger tables make the runs slower, not more varied.
constexpr size_t kMaxLinesPerTable = 40;
const char* const kOutputs[] = {"Parent.out", "Fam.out", "Famgenotypes.out", "table.tsv"};

void check(bool ok, const char* broken) {
  if (ok) return;
  std::fprintf(stderr, "ranking fuzz: %s\n", broken);
  std::abort();
}

std::string folder;

void removeFolder() {
  for (const char* name : {"parents.PAR", "sons.PRO", "Parent.out", "Fam.out", "Famgenotypes.out",
                           "table.tsv", "ErrLog.txt"}) {
    std::remove((folder + "/" + name).c_str());
  }
  rmdir(folder.c_str());
}

struct InRunFolder {
  std::string back;
  InRunFolder() {
    char here[4096];
    check(getcwd(here, sizeof here) != nullptr, "cannot read the working folder");
    back = here;
    if (folder.empty()) {
      char inMemory[] = "/dev/shm/parentsphere_ranking_fuzz_XXXXXX";
      char onDisk[] = "/tmp/parentsphere_ranking_fuzz_XXXXXX";
      const char* made = mkdtemp(inMemory);
      if (made == nullptr) made = mkdtemp(onDisk);
      check(made != nullptr, "cannot make the temporary folder");
      folder = made;
      std::atexit(removeFolder);
    }
    check(chdir(folder.c_str()) == 0, "cannot enter the temporary folder");
  }
  ~InRunFolder() { check(chdir(back.c_str()) == 0, "cannot return to the working folder"); }
};

std::string readAll(const char* name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return "(absent)";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void putInput(const char* name, bool present, std::string_view text) {
  std::remove(name);
  if (!present) return;
  size_t end = 0;
  for (size_t n = 0; n < kMaxLinesPerTable && end < text.size(); ++n) {
    const size_t next = text.find('\n', end);
    end = next == std::string_view::npos ? text.size() : next + 1;
  }
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(end));
  check(static_cast<bool>(out.flush()), "cannot write an input file");
}

// Everything a run leaves: its status, its streams and its files.
std::string runOnce(const RunOptions& options, const std::string& typed) {
  for (const char* output : kOutputs) std::remove(output);
  std::istringstream in{typed};
  std::ostringstream out;
  std::ostringstream err;
  const int status = runProgram(options, in, out, err);
  std::string all = std::to_string(status) + "\n" + out.str() + "\n" + err.str();
  for (const char* output : kOutputs) all += std::string("\n== ") + output + "\n" + readAll(output);
  if (status == 0) {
    check(readAll("table.tsv").compare(0, 10, "offspring\t") == 0,
          "a complete run's table lacks its header");
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const InRunFolder inRunFolder;
  const uint8_t choice = data[0];
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t firstBar = input.find('|');
  const size_t secondBar =
      firstBar == std::string_view::npos ? std::string_view::npos : input.find('|', firstBar + 1);
  const bool haveParents = firstBar != std::string_view::npos;
  const bool haveSons = secondBar != std::string_view::npos;
  putInput("parents.PAR", haveParents,
           haveParents ? input.substr(firstBar + 1, secondBar - firstBar - 1) : "");
  putInput("sons.PRO", haveSons, haveSons ? input.substr(secondBar + 1) : "");
  const std::string typed(input.substr(0, firstBar));

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
