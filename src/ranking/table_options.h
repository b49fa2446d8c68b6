#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ranking/call.h"

// The share of the true mothers (fathers) assumed among the candidates when
// the user gives none: as likely absent as present, so a lone candidate needs
// real evidence before its call is strict.
constexpr double kDefaultSampledShare = 0.5;

// How candidates are scored and called.
struct RankingSettings {
  double errorRate = 0.02;    // e of the likelihood ratios, kMinErrorRate to kMaxErrorRate
  int32_t maxMismatches = 2;  // K: candidates with more mismatching loci are not scored
  double minDelta = 0.0;      // an extra delta floor of strict and relaxed calls, 0 or more
  double sampledMothers = kDefaultSampledShare;  // P of the mothers, above 0 and at most 1
  double sampledFathers = kDefaultSampledShare;
  bool sampledMothersGiven = false;  // the user chose the share (the table run says the default)
  bool sampledFathersGiven = false;
  RoleThresholds thresholds;  // posterior and delta levels of strict and relaxed per role
  // A rate per locus (--error-rate FILE), each kMinErrorRate to
  // kMaxErrorRate; empty: errorRate at every locus.
  std::vector<double> locusErrorRates;
  // --hermaphrodites: the parents table lists every individual twice, as a
  // mother (rows below `mothers`) then as a father in the same order; a pair
  // is scored once whichever way round. selfing: a pair may be one
  // individual twice (--no-selfing: not).
  bool hermaphrodites = false;
  bool selfing = true;
  // --max-mismatches auto: K per number of loci typed in the offspring
  // (mismatchLimits), filled by the table once the loci are known.
  bool autoMismatches = false;
  std::vector<int32_t> limitByLoci;
  bool maxMismatchesGiven = false;  // the user chose K
  // Without --max-mismatches: K per number of typed loci for a second
  // ranking of the offspring whose pair is not called strict at
  // maxMismatches, where that K is larger (the limit from the data, filled
  // by the table); empty: one ranking.
  std::vector<int32_t> widerByLoci;

  // The K of an offspring typed at `typed` loci.
  int32_t limitFor(size_t typed) const { return limitIn(limitByLoci, typed, maxMismatches); }
  // The K of its second ranking: limitFor() when there is none.
  int32_t widerLimitFor(size_t typed) const {
    return limitIn(widerByLoci, typed, limitFor(typed));
  }

 private:
  static int32_t limitIn(const std::vector<int32_t>& byLoci, size_t typed, int32_t otherwise) {
    return byLoci.empty() ? otherwise : byLoci[std::min(typed, byLoci.size() - 1)];
  }
};

// The accepted range of the typing-error rate: below the minimum a single
// scoring error would all but exclude a true parent (and the ratios would
// leave the range the LOD sums are built for); above the maximum most alleles
// would be noise.
constexpr double kMinErrorRate = 1e-6;
constexpr double kMaxErrorRate = 0.5;

// What the table options ask for; an empty path means the option is absent.
struct TableOptions {
  std::string table;         // --table: where the table goes; empty: no table
  std::string frequencies;   // --frequencies: allele frequencies instead of counted ones
  std::string knownMothers;  // --known-mothers
  std::string names;         // --names: names.tsv
  RankingSettings settings;  // --error-rate, --max-mismatches, --min-delta, --sampled-*
  std::string errorRates;    // --error-rate FILE: a rate per locus
  std::string groups;        // --groups: who may be a parent of whom
  std::string exclude;       // --exclude: (offspring, candidate) pairs ruled out
  std::string candidates;    // --candidates: the short list of the best candidates
  size_t top = 5;            // --top: candidates per role in the short list, 1 or more
  // --locus-names: a file of the loci's names (also for --markers, --summary)
  std::string locusNamesFile;
  // The loci's names the run found (locusNamesFor); empty: known by number.
  std::vector<std::string> locusNames;
  // --calibrate: offspring simulated to measure the calls (0: none);
  // --sim-error: their typing-error rate (below 0: the error rate); --seed.
  size_t calibrate = 0;
  double simError = -1.0;
  uint64_t seed = 1;
};

// The line a table run writes on standard error when it calls with a default
// sampled share, naming the shares used; empty when the user chose both.
inline std::string defaultSharesNote(const RankingSettings& settings) {
  if (settings.sampledMothersGiven && settings.sampledFathersGiven) return "";
  const auto share = [](double value, bool given) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text + (given ? "" : " (default)");
  };
  return "parentsphere: table posteriors with --sampled-mothers " +
         share(settings.sampledMothers, settings.sampledMothersGiven) + " and --sampled-fathers " +
         share(settings.sampledFathers, settings.sampledFathersGiven);
}
