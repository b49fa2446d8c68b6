#include "page/summary_page.h"

#include "util/decimal_text.h"
#include "util/escaped_text.h"
#include "markers/marker_notes.h"
#include "markers/marker_table.h"
#include "page/summary_answer.h"
#include "page/summary_charts.h"

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;color:#111;max-width:960px;margin:1em auto;padding:0 1em}"
    "h1{font-size:1.5em}h2{font-size:1.2em;border-bottom:1px solid #999;margin-top:1.6em}"
    "table{border-collapse:collapse;font-size:0.85em}"
    "td,th{border:1px solid #bbb;padding:2px 6px;text-align:right}"
    "th{background:#eee}th.l,td.l{text-align:left}"
    "tr.flag td,tr.chosen td{background:#fbe3e0;font-weight:bold}tr.all td{border-top:2px solid #333}"
    "svg.chart{width:100%;height:auto;font-size:12px}svg .axis{font-size:13px}svg .count{font-size:10px}"
    "p.note{font-size:0.9em;color:#333}"
    "@media print{body{max-width:none}h2{page-break-after:avoid}svg.chart{page-break-inside:avoid}}";

void settingsSection(std::string& out, const SummaryInput& in) {
  out += "<h2>Inputs and options</h2><table id=\"settings\">";
  for (const auto& [label, value] : in.settings) {
    out += "<tr><th class=\"l\">" + escapeHtml(label) + "</th><td class=\"l\">" +
           escapeHtml(value) + "</td></tr>";
  }
  if (!in.version.empty()) {
    out += "<tr><th class=\"l\">program</th><td class=\"l\">" + escapeHtml(in.version) +
           "</td></tr>";
  }
  out += "</table>";
}

void markerRow(std::string& out, const std::string& name, const MarkerRow& row, bool flagged,
               int countDecimals, const char* rowClass) {
  out += std::string("<tr class=\"") + (flagged ? "flag" : rowClass) + "\"><td class=\"l\">" +
         name + (flagged ? " *" : "") + "</td>";
  for (double count : {row.alleles, row.typed}) out += "<td>" + decimalText(count, countDecimals) + "</td>";
  for (const std::optional<double>* figure :
       {&row.ho, &row.he, &row.pic, &row.excl1p, &row.excl2p, &row.exclpp, &row.fNull,
        &row.mismatchRate}) {
    out += "<td>" + decimalText(*figure, kFigureDecimals) + "</td>";
  }
  out += "</tr>";
}

// Chances of passing every locus are often far below one: two significant digits.
constexpr int kPassingDigits = 2;

// "0.0605: about 1.8 of the 30 candidate mothers and 1.8 of the 30 candidate
// fathers": how many unrelated candidates pass exclusion per offspring.
std::string passing(const std::optional<double>& excl, size_t mothers, size_t fathers) {
  if (!excl) return " nothing: no locus can exclude anyone";
  const double pass = 1 - *excl;
  auto of = [pass](size_t candidates, const char* sex) {
    return significantText(pass * static_cast<double>(candidates), kPassingDigits) + " of the " +
           std::to_string(candidates) + " candidate " + sex;
  };
  return " probability " + significantText(pass, kPassingDigits) + ": about " + of(mothers, "mothers") +
         " and " + of(fathers, "fathers") + " per offspring";
}

void markerSection(std::string& out, const SummaryInput& in) {
  out += "<h2>Markers</h2><p>Allele frequencies count every typed individual once, parents and "
         "offspring. Exclusion probability: the chance that one locus shows an unrelated "
         "individual is not the parent. Rows marked * are flagged (f_null above " +
         shortDecimalText(kNullAlleleFlag, 2) + " or mismatch_rate above " +
         shortDecimalText(kMismatchFlag, 2) + "); the reasons follow the table.</p>";
  out += "<table id=\"markers\"><tr><th class=\"l\">locus</th><th>alleles</th><th>typed</th>"
         "<th>ho</th><th>he</th><th>pic</th><th>excl_1p</th><th>excl_2p</th><th>excl_pp</th>"
         "<th>f_null</th><th>mismatch_rate</th></tr>";
  for (size_t l = 0; l < in.loci.size(); ++l) {
    const std::string name =
        in.locusNames.size() == in.loci.size() ? escapeHtml(in.locusNames[l]) : std::to_string(l + 1);
    markerRow(out, name, in.loci[l], isFlagged(in.loci[l]), 0, "locus");
  }
  markerRow(out, "all", in.combined, false, kMeanDecimals, "all");
  out += "</table>";
  const std::vector<std::string> notes = markerNotes(in.loci);
  if (!notes.empty()) {
    out += "<ul id=\"marker-notes\">";
    for (const std::string& note : notes) out += "<li>" + escapeHtml(note) + "</li>";
    out += "</ul>";
  }
  out += "<p>Over all loci an unrelated candidate passes exclusion as first parent with" +
         passing(in.combined.excl1p, in.motherCount, in.fatherCount) + ".</p>";
  out += "<h3>Exclusion power per locus</h3>" + exclusionChart(in) +
         "<p class=\"note\">Taller bars exclude more unrelated candidates. A locus with no bar "
         "has fewer than two alleles.</p>";
  if (in.rankedTable) {
    out += "<h3>Mismatch rate per locus</h3>" + mismatchChart(in) +
           "<p class=\"note\">Among offspring with a mother called strict in the ranked "
           "table, the "
           "share of those mother-offspring pairs with no shared allele at the locus. True "
           "mothers mismatch only through scoring errors, null alleles or mutation.</p>";
  }
}

void offspringSection(std::string& out, const RadiusCounts& run) {
  const std::string radius = std::to_string(run.radius);
  out += "<h2>Candidates and families per offspring, radius " + radius +
         "</h2><h3>Candidates</h3>" + candidatesChart(run) +
         "<p class=\"note\">How many offspring (height) have that many candidate mothers or "
         "fathers within the radius (bin). Many candidates mean the radius or the markers "
         "leave much undecided.</p><h3>Families</h3>" + familiesChart(run) +
         "<p class=\"note\">How many offspring have that many compatible mother x father "
         "pairs in Fam.out; the first bin holds the offspring without a family. In both charts "
         "a last bin marked + gathers the rare counts beyond the rest.</p>";
}

void rankedSection(std::string& out, const SummaryInput& in) {
  out += "<h2>Ranked table</h2>";
  if (!in.rankedTable) {
    out += "<p id=\"no-ranked-table\">No ranked table was computed in this run, so the "
           "mismatch rates, the LOD deltas and the calls are not shown.</p>";
    return;
  }
  out += "<h3>LOD deltas</h3>" + deltaChart(in) +
         "<p class=\"note\">The delta is the best candidate's LOD minus the runner-up's: how "
         "much more likely the best one is (natural log; 2 means about 7.4 times). The dashed "
         "line is --min-delta " + shortDecimalText(in.minDelta, kFigureDecimals) +
         ". The calls are counted at the top of the page.</p>";
}

// A row of a calibration table; `chosen` names the threshold it marks.
void calibrationRow(std::string& out, const char* score, const CalibrationPoint& point,
                    const std::string& chosen) {
  out += std::string("<tr") + (chosen.empty() ? "" : " class=\"chosen\"") + "><td class=\"l\">" +
         score + " at least " + shortDecimalText(point.threshold, 3) + "</td><td>" + decimalText(point.precision, 3) +
         "</td><td>" + decimalText(point.share, 3) + "</td><td>" + std::to_string(point.called) +
         "</td><td class=\"l\">" + chosen + "</td></tr>";
}

void calibrationSection(std::string& out, const CalibrationView& c) {
  out += "<section id=\"calibration\"><h2>Calibration by simulation</h2><p>" +
         std::to_string(c.simulated) +
         " offspring were simulated from this run's allele frequencies, candidates, missing "
         "rates and error rate, and ranked like the real ones (the inputs and the seed are in " +
         escapeHtml(c.file) +
         "). For each delta threshold: the share of the calls at or above it that name the "
         "true parent (realised precision), and the share of all simulated offspring that get "
         "such a call. The chosen thresholds, on the posterior and on the delta, are the "
         "smallest reaching 95% (strict) and 80% (relaxed) precision; a call is strict when it "
         "reaches both strict thresholds.</p>";
  for (const RoleCalibrationView& role : c.roles) {
    out += "<h3>" + escapeHtml(role.role) + "</h3><table class=\"calibration\"><tr><th "
           "class=\"l\">calls with</th><th>precision</th><th>share assigned</th><th>calls</th><th "
           "class=\"l\">chosen</th></tr>";
    const struct {
      const char* score;
      const std::optional<CalibrationPoint>& point;
      const char* name;
    } chosen[] = {{"posterior", role.strictPosterior, "strict (95%)"},
                  {"posterior", role.relaxedPosterior, "relaxed (80%)"},
                  {"delta", role.strict, "strict (95%)"},
                  {"delta", role.relaxed, "relaxed (80%)"}};
    for (const auto& c : chosen) {
      if (c.point) {
        calibrationRow(out, c.score, *c.point, c.name);
      } else {
        out += std::string("<tr class=\"chosen\"><td class=\"l\">") + c.score +
               ": none</td><td></td><td></td><td>0</td><td class=\"l\">" + c.name +
               ": no threshold reaches it</td></tr>";
      }
    }
    for (const CalibrationPoint& point : role.curve) calibrationRow(out, "delta", point, "");
    out += "</table>" + calibrationChart(role);
  }
  out += "</section>";
}

}  // namespace

std::string summaryPage(const SummaryInput& in) {
  std::string out =
      "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><head>"
      "<meta charset=\"utf-8\"/><title>parentsphere run summary</title><style>";
  out += kStyle;
  out += "</style></head><body><h1>parentsphere run summary</h1>";
  out += answerSection(in);
  settingsSection(out, in);
  if (in.calibration) calibrationSection(out, *in.calibration);
  markerSection(out, in);
  for (const RadiusCounts& run : in.radii) offspringSection(out, run);
  rankedSection(out, in);
  out += "</body></html>\n";
  return out;
}
