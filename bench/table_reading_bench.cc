// Reading an offspring table from a file on one thread and on several: a
// generated table of hatchery-like rows (16 loci, 3-digit alleles, some
// missing), large enough to be read in parallel chunks.
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "input/data.h"

namespace {

constexpr size_t kTableBytes = size_t{32} << 20;

// The table's file, written once and removed at exit.
class GeneratedTable {
 public:
  GeneratedTable() {
    char pattern[] = "/tmp/parentsphere_bench_XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    folder_ = pattern;
    name_ = folder_ + "/sons.PRO";
    std::mt19937 rng(5);
    std::ofstream out(name_);
    std::string line;
    for (size_t written = 0; written < kTableBytes; written += line.size()) {
      line.clear();
      for (int k = 0; k < 32; ++k) {
        line += rng() % 50 == 0 ? "-99" : std::to_string(100 + 2 * (rng() % 40));
        line += k + 1 < 32 ? ' ' : '\n';
      }
      out << line;
    }
  }
  ~GeneratedTable() {
    unlink(name_.c_str());
    rmdir(folder_.c_str());
  }
  const std::string& name() const { return name_; }

 private:
  std::string folder_;
  std::string name_;
};

void BM_ReadTable(benchmark::State& state) {
  static const GeneratedTable file;
  const unsigned threads = static_cast<unsigned>(state.range(0));
  for (auto _ : state) {
    const Data table(file.name(), -99, "#", threads);
    benchmark::DoNotOptimize(table.rows.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kTableBytes));
}
BENCHMARK(BM_ReadTable)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
