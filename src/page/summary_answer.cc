#include "page/summary_answer.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "util/escaped_text.h"
#include "page/summary_charts.h"

namespace {

// The calls in the order the page lists them, surest first.
constexpr Call kCallOrder[] = {Call::Strict, Call::Relaxed, Call::Ambiguous, Call::Unlikely,
                               Call::Known};
constexpr size_t kCalls = std::size(kCallOrder);
static_assert(static_cast<size_t>(Call::Known) + 1 == kCalls, "every call is listed once");

// One role's offspring per call (indexed by the enum), before the page's order.
using CallCounts = std::array<size_t, kCalls>;

void count(CallTally& tally, CallCounts& byCall, const std::optional<Call>& call) {
  ++tally.offspring;
  if (!call) {
    ++tally.noCandidate;
    return;
  }
  ++byCall[static_cast<size_t>(*call)];
}

// The words of the calls met in any role, surest first, and every role's
// counts in that order.
void order(CallTallies& t, const std::vector<CallCounts>& byRole) {
  for (Call call : kCallOrder) {
    const size_t c = static_cast<size_t>(call);
    const bool met = std::any_of(byRole.begin(), byRole.end(),
                                 [c](const CallCounts& counts) { return counts[c] > 0; });
    if (!met) continue;
    t.words.push_back(callName(call));
    for (size_t r = 0; r < t.roles.size(); ++r) t.roles[r].counts.push_back(byRole[r][c]);
  }
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
  std::vector<CallCounts> byRole(t.roles.size(), CallCounts{});
  for (const OffspringCalls& c : calls) {
    if (!c.motherCall && !c.fatherCall && !c.pairCall) ++t.withoutCandidate;
    if (c.knownMother) {
      count(t.roles[3], byRole[3], c.fatherCall);
      count(t.roles[4], byRole[4], c.pairCall);
      continue;
    }
    count(t.roles[0], byRole[0], c.motherCall);
    count(t.roles[1], byRole[1], c.fatherCall);
    count(t.roles[2], byRole[2], c.pairCall);
  }
  order(t, byRole);
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
