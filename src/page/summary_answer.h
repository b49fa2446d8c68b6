#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "page/summary_input.h"

// How many offspring got each call in one role, as the ranked table wrote
// the calls.
struct CallTally {
  std::string role;            // "mother", "father", "pair", "father given a known mother", ...
  std::vector<size_t> counts;  // per word of CallTallies::words
  size_t noCandidate = 0;      // empty cell: nobody in scope
  size_t offspring = 0;        // the offspring this role counts
};

struct CallTallies {
  // The words of the calls met, surest first ("strict", "relaxed",
  // "ambiguous", "unlikely", "known"), as the table writes them.
  std::vector<std::string> words;
  // mother, father, pair over the offspring without a known mother (all of
  // them when none is known); with known mothers also the father and the pair
  // given a known mother.
  std::vector<CallTally> roles;
  size_t withoutCandidate = 0;  // offspring with no mother, father nor pair
  size_t knownMothers = 0;      // offspring whose mother was given
};

// Counts the calls of every offspring.
CallTallies tallyCalls(const std::vector<OffspringCalls>& calls);

// The page's opening section (id "answer"): the call counts per role as a
// sentence and a table, offspring without any candidate, the counts of
// individuals and loci. Without a ranked table it says that no calls were made.
std::string answerSection(const SummaryInput& in);
