#include "files/size_guard.h"

#include <sys/statvfs.h>

#include <optional>
#include <string_view>

#include "util/decimal_text.h"
#include "util/number_reader.h"

namespace {

constexpr uint64_t kMostSize = uint64_t{1} << 62;
const char kUnits[] = "KMGT";

uint64_t freeSpace(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return 0;
  return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

}  // namespace

bool readSize(const std::string& text, uint64_t& bytes) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  const std::optional<uint64_t> read =
      readDigits(std::string_view(text).substr(0, digits), 0, UINT64_MAX, 19);
  if (!read || text.size() > digits + 1) return false;
  uint64_t value = *read;
  if (text.size() > digits) {
    int shift = 0;
    for (int u = 0; kUnits[u] != '\0'; ++u) {
      if (text[digits] == kUnits[u] || text[digits] == kUnits[u] + ('a' - 'A')) shift = 10 * (u + 1);
    }
    if (shift == 0 || value > (kMostSize >> shift)) return false;
    value <<= shift;
  }
  if (value == 0 || value > kMostSize) return false;
  bytes = value;
  return true;
}

std::string sizeText(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && kUnits[unit + 1] != '\0') {
    value /= 1024;
    ++unit;
  }
  return printedDecimal(value, 1) + kUnits[unit];
}

// A report's sink that counts what passes and fails once the guard trips.
class SizeGuard::Sink : public ReportSink {
 public:
  Sink(SizeGuard& guard, ReportSink& inner) : guard_(guard), inner_(inner) {}
  void write(std::string& text) override {
    if (guard_.tripped_) {
      text.clear();
      return;
    }
    guard_.wrote(text.size());
    inner_.write(text);
  }
  void writeHead(std::string& head) override {
    if (guard_.tripped_) {
      head.clear();
      return;
    }
    inner_.writeHead(head);
  }
  bool close() override { return inner_.close() && !guard_.tripped_; }
  bool failed() const override { return guard_.tripped_ || inner_.failed(); }

 private:
  SizeGuard& guard_;
  ReportSink& inner_;
};

// Hears how far the analysis got, for the estimate, and tells the front end.
class SizeGuard::Progress : public RunProgress {
 public:
  Progress(SizeGuard& guard, RunProgress* inner) : guard_(guard), inner_(inner) {}
  void update(size_t done, size_t total) override {
    guard_.check(done, total);
    if (inner_ != nullptr) inner_->update(done, total);
  }
  void finish() override {
    if (inner_ != nullptr) inner_->finish();
  }

 private:
  SizeGuard& guard_;
  RunProgress* inner_;
};

SizeGuard::SizeGuard(uint64_t limit, const std::string& folder, ReportSinks sinks,
                     RunProgress* progress)
    : folder_(folder) {
  const uint64_t space = freeSpace(folder);
  limit_ = space;
  if (limit != 0 && (space == 0 || limit <= space)) {
    limit_ = limit;
    byOption_ = true;
  }
  sinks_[0] = std::make_unique<Sink>(*this, sinks.parents);
  sinks_[1] = std::make_unique<Sink>(*this, sinks.families);
  sinks_[2] = std::make_unique<Sink>(*this, sinks.genotypes);
  progress_ = std::make_unique<Progress>(*this, progress);
}

SizeGuard::~SizeGuard() = default;

ReportSinks SizeGuard::sinks() { return {*sinks_[0], *sinks_[1], *sinks_[2]}; }

RunProgress* SizeGuard::progress() { return progress_.get(); }

void SizeGuard::wrote(size_t bytes) {
  written_ += bytes;
  if (limit_ != 0 && written_ > limit_) {
    tripped_ = true;
    if (estimate_ < written_) estimate_ = written_;
  }
}

// Only what has reached the sinks counts (text still buffered does not), so
// the estimate errs low. The free space alone is never judged by an
// estimate: offspring with many families early in the table would stop a
// run that fits, and a run without options must go on unless the disk
// would really fill.
void SizeGuard::check(size_t done, size_t total) {
  if (!byOption_ || limit_ == 0 || tripped_ || done == 0 || (done < kSample && done < total)) {
    return;
  }
  const double estimate = static_cast<double>(written_) * static_cast<double>(total) /
                          static_cast<double>(done);
  if (estimate <= static_cast<double>(limit_)) return;
  tripped_ = true;
  estimate_ = static_cast<uint64_t>(estimate);
  sampled_ = done;
  total_ = total;
}

std::string SizeGuard::overSize() const {
  if (!tripped_) return "";
  const std::string where = folder_ == "." ? std::string("this folder") : folder_;
  const std::string limit =
      byOption_ ? "--max-output " + sizeText(limit_) : "the " + sizeText(limit_) + " free in " + where;
  const std::string what =
      sampled_ == 0 ? "grew past " + limit
                    : "would take about " + sizeText(estimate_) + " (estimated from the first " +
                          std::to_string(sampled_) + " of " + std::to_string(total_) +
                          " offspring), more than " + limit;
  return "parentsphere: the reports " + what + "; nothing was changed: " +
         (byOption_ ? "choose a smaller radius or a larger --max-output"
                    : "choose a smaller radius, make room, or write elsewhere with -o");
}
