#include "app/marker_run.h"

#include "input/missing_value.h"
#include "input/table_checks.h"
#include "markers/marker_outputs.h"

namespace {

std::string joined(const std::vector<int>& radii) {
  std::string text;
  for (int radius : radii) text += (text.empty() ? "" : ", ") + std::to_string(radius);
  return text;
}

}  // namespace

MarkerRun::MarkerRun(const RunOptions& options, std::vector<int> radii)
    : options_(options), radii_(std::move(radii)) {}

void MarkerRun::keepTally() {
  if (tally_ != nullptr) counts_.push_back({radius_, tally_->counts()});
  tally_.reset();
}

OffspringListener* MarkerRun::listenerFor(int radius, const Data& parents) {
  keepTally();
  if (options_.summaryFile.empty()) return nullptr;
  radius_ = radius;
  tally_ = std::make_unique<OffspringTally>(motherCount(parents));
  return tally_.get();
}

std::vector<std::string> MarkerRun::write(const Data& parents, const Data& sons) {
  keepTally();
  MarkerRequest request;
  request.tablePath = options_.markersFile;
  request.summaryPath = options_.summaryFile;
  request.locusNames = locusNames_;
  request.settings = {
      {"parents table", options_.parentsFile},
      {"offspring table", options_.offspringFile},
      {options_.radii.empty() ? "radius (typed at the prompt)" : "radius (--radius)",
       joined(radii_)},
      {"reports in", (options_.outputDir == "." ? "the current folder" : options_.outputDir) +
                         (radii_.size() > 1 ? " (a radius-R folder each)" : "")},
      {"marker table (--markers)", options_.markersFile.empty() ? "not written" : options_.markersFile},
      {"summary page (--summary)", options_.summaryFile},
      {"ranked table (--table)", rankedCalls_.heard() ? options_.table.table : "not computed"},
  };
  return writeMarkerOutputs(request, parents, sons, kMissingValue, counts_,
                            rankedCalls_.heard() ? &rankedCalls_.results() : nullptr);
}
