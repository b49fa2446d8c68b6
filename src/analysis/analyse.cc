#include "analysis/analyse.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

#include "analysis/block_output.h"
#include "analysis/offspring_analysis.h"
#include "analysis/ordered_blocks.h"
#include "input/table_checks.h"
#include "reports/report_text.h"

namespace {

constexpr size_t kProgressEvery = 256;
// Offspring per block handed to a thread: small enough to keep two threads
// busy on a few thousand offspring, large enough that handing out is rare.
constexpr size_t kBlockOffspring = 64;

}  // namespace

SinkResults analyse(const CheckedTables& checked, int32_t radius, const ReportSinks& sinks,
                    const EngineListeners& listeners, unsigned threads) {
  RunProgress* const progress = listeners.progress;
  OffspringListener* const listener = listeners.offspring;
  ParallelListener* const parallel = listeners.parallel;
  const SearchTables tables(checked, radius);
  const size_t total = checked.offspring.rows.size();
  const size_t blocks = (total + kBlockOffspring - 1) / kBlockOffspring;
  threads = static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(blocks, 1)));
  // Each thread makes its own at its first block, so that they are made side
  // by side: a ranked table's worker indexes every parent, tens of
  // milliseconds that would otherwise all wait for one thread.
  std::vector<std::unique_ptr<OffspringAnalysis>> workers(threads);
  std::vector<std::unique_ptr<OffspringWorker>> parallelWorkers(threads);

  // The writer's buffers: the reports go out in large pieces, whatever the blocks weigh.
  std::string parentText;
  std::string familyLines;
  std::string genotypes;
  appendParentHeader(parentText, true, radius);
  int sonsWithFamily = 0;
  std::vector<int32_t> positions;  // the listener's isFamily() scratch
  size_t done = 0;                 // offspring written
  size_t progressShown = 0;
  // Once no report can be written any more, the blocks not yet started are skipped.
  std::atomic<bool> stopped{sinks.parents.failed() && sinks.families.failed() &&
                            sinks.genotypes.failed()};
  if (progress != nullptr) progress->update(0, total);
  // Called for one thread at a time, in offspring order.
  auto write = [&](BlockOutput& out) {
    const std::pair<std::string*, ReportSink*> reports[] = {
        {&parentText, &sinks.parents}, {&familyLines, &sinks.families}, {&genotypes, &sinks.genotypes}};
    std::string* pieces[] = {&out.parents, &out.familyLines, &out.genotypes};
    for (size_t r = 0; r < 3; ++r) {
      std::string& buffer = *reports[r].first;
      ReportSink& sink = *reports[r].second;
      if (pieces[r]->size() >= ReportSink::kFlushBytes) {
        // Large already (wide radii): written as it is rather than copied.
        if (!buffer.empty()) sink.write(buffer);
        sink.write(*pieces[r]);  // and empties it
        continue;
      }
      buffer += *pieces[r];
      pieces[r]->clear();
      sink.flushIfLarge(buffer);
    }
    sonsWithFamily += out.sonsWithFamily;
    out.sonsWithFamily = 0;
    if (parallel != nullptr && out.piece) parallel->blockDone(*out.piece);
    for (const BlockOutput::Outcome& told : out.outcomes) {
      listener->offspringDone({told.offspring, told.hits, told.families, told.pairing, positions});
      told.pairing.forget(positions);
    }
    out.outcomes.clear();
    done = std::max(done, out.offspringDone);
    if (progress != nullptr && done >= progressShown + kProgressEvery) {
      progressShown = done;
      progress->update(done, total);
    }
    if (sinks.parents.failed() && sinks.families.failed() && sinks.genotypes.failed()) {
      stopped = true;
    }
  };
  OrderedBlocks<BlockOutput> run(blocks, threads, write);
  run.run([&](unsigned worker, size_t block, BlockOutput& out) {
    if (stopped) return;
    const std::function<void(BlockOutput&)> flush = [&run, block](BlockOutput& partial) {
      run.flushEarly(block, partial);
    };
    if (workers[worker] == nullptr) {
      workers[worker] = std::make_unique<OffspringAnalysis>(tables);
      if (parallel != nullptr) parallelWorkers[worker] = parallel->newWorker();
    }
    const size_t last = std::min(total, (block + 1) * kBlockOffspring);
    for (size_t i = block * kBlockOffspring; i < last; ++i) {
      workers[worker]->visit(i, out, listener != nullptr, flush,
                             parallel != nullptr ? parallelWorkers[worker].get() : nullptr);
    }
  });
  if (progress != nullptr) progress->update(done, total);
  sinks.parents.write(parentText);
  sinks.genotypes.write(genotypes);
  sinks.families.write(familyLines);
  // The list's first line counts the offspring with a family, known only now.
  std::string familyHead;
  appendFamilyHeader(familyHead, sonsWithFamily, radius);
  sinks.families.writeHead(familyHead);
  SinkResults results;
  results.parents = sinks.parents.close();
  results.families = sinks.families.close();
  results.genotypes = sinks.genotypes.close();
  return results;
}
