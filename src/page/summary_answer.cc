#include "page/summary_answer.h"

#include <algorithm>

#include "util/escaped_text.h"
#include "page/summary_charts.h"

namespace {

const char* const kWordOrder[] = {"strict", "relaxed", "confident", "ambiguous", "unlikely", "known"};

size_t wordIndex(std::vector<std::string>& words, const std::string& word) {
  const auto at = std::find(words.begin(), words.end(), word);
  if (at != words.end()) return static_cast<size_t>(at - words.begin());
  words.push_back(word);
  return words.size() - 1;
}

void count(CallTally& tally, std::vector<std::string>& words, const std::string& call) {
  ++tally.offspring;
  if (call.empty()) {
    ++tally.noCandidate;
    return;
  }
  const size_t w = wordIndex(words, call);
  if (tally.counts.size() <= w) tally.counts.resize(w + 1, 0);
  ++tally.counts[w];
}

// Puts the words in their order (surest first, others after in the order
// met), carrying every role's counts along.
void order(CallTallies& t) {
  std::vector<size_t> rank(t.words.size());
  for (size_t w = 0; w < t.words.size(); ++w) {
    const auto known = std::find(std::begin(kWordOrder), std::end(kWordOrder), t.words[w]);
    rank[w] = known != std::end(kWordOrder) ? static_cast<size_t>(known - std::begin(kWordOrder))
                                            : std::size(kWordOrder) + w;
  }
  std::vector<size_t> sorted(t.words.size());
  for (size_t w = 0; w < sorted.size(); ++w) sorted[w] = w;
  std::sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) { return rank[a] < rank[b]; });
  std::vector<std::string> words;
  for (size_t w : sorted) words.push_back(t.words[w]);
  for (CallTally& role : t.roles) {
    role.counts.resize(t.words.size(), 0);
    std::vector<size_t> counts;
    for (size_t w : sorted) counts.push_back(role.counts[w]);
    role.counts = counts;
  }
  t.words = words;
}

std::string number(size_t n) { return std::to_string(n); }

}  // namespace

CallTallies tallyCalls(const std::vector<OffspringCalls>& calls) {
  CallTallies t;
  for (const OffspringCalls& c : calls) t.knownMothers += c.knownMother ? 1 : 0;
  t.roles = {{"mother", {}, 0, 0}, {"father", {}, 0, 0}, {"pair", {}, 0, 0}};
  if (t.knownMothers > 0) {
    t.roles.push_back({"father given a known mother", {}, 0, 0});
    t.roles.push_back({"pair given a known mother", {}, 0, 0});
  }
  for (const OffspringCalls& c : calls) {
    if (c.motherCall.empty() && c.fatherCall.empty() && c.pairCall.empty()) ++t.withoutCandidate;
    if (c.knownMother) {
      count(t.roles[3], t.words, c.fatherCall);
      count(t.roles[4], t.words, c.pairCall);
      continue;
    }
    count(t.roles[0], t.words, c.motherCall);
    count(t.roles[1], t.words, c.fatherCall);
    count(t.roles[2], t.words, c.pairCall);
  }
  order(t);
  return t;
}

std::string answerSection(const SummaryInput& in) {
  std::string out = "<section id=\"answer\"><h2>The answer</h2><p id=\"counts\">" +
                    number(in.motherCount) + " candidate mothers, " + number(in.fatherCount) +
                    " candidate fathers, " + number(in.offspringCount) + " offspring, " +
                    number(in.loci.size()) + " loci.</p>";
  if (!in.rankedTable) {
    out += "<p>No ranked table was computed (--table), so no offspring got a call. The "
           "candidates within the radius are counted below.</p></section>";
    return out;
  }
  const CallTallies t = tallyCalls(in.calls);
  out += "<p id=\"answer-lead\">";
  for (const CallTally& role : t.roles) {
    if (role.offspring == 0 || t.words.empty()) continue;
    out += "<b>" + number(role.counts.empty() ? 0 : role.counts[0]) + " of " +
           number(role.offspring) + "</b> offspring have a " + escapeHtml(t.words[0]) + " " +
           escapeHtml(role.role) + ". ";
  }
  out += "</p><table id=\"answer-calls\"><tr><th class=\"l\">role</th>";
  for (const std::string& word : t.words) out += "<th>" + escapeHtml(word) + "</th>";
  out += "<th>no candidate</th><th>offspring</th></tr>";
  for (const CallTally& role : t.roles) {
    out += "<tr><td class=\"l\">" + escapeHtml(role.role) + "</td>";
    for (size_t count : role.counts) out += "<td>" + number(count) + "</td>";
    out += "<td>" + number(role.noCandidate) + "</td><td>" + number(role.offspring) + "</td></tr>";
  }
  out += "</table><p class=\"note\">Counted from the *_call columns of the ranked table, as "
         "written there. ";
  if (t.knownMothers > 0) {
    out += number(t.knownMothers) + " offspring have a mother given by --known-mothers: for "
           "them the father given that mother is the call that matters. ";
  }
  out += "<span id=\"no-candidate\">" + number(t.withoutCandidate) +
         "</span> offspring have no candidate mother, father nor pair within the mismatch "
         "scope.</p>" + callsChart(t) + "</section>";
  return out;
}
