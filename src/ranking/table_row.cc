#include "ranking/table_row.h"

#include <algorithm>

#include "reports/number_text.h"
#include "util/decimal_text.h"

const char* const kTableHeader =
    "offspring\tloci_typed\tmothers_scored\tfathers_scored\t"
    "mother\tmother_lod\tmother_delta\tmother_mismatches\tmother_near\tmother_in_sphere\t"
    "mother_call\t"
    "father\tfather_lod\tfather_delta\tfather_mismatches\tfather_near\tfather_in_sphere\t"
    "father_call\t"
    "pair_mother\tpair_father\tpair_lod\tpair_delta\tpair_mismatches\tpair_call\tpair_in_fam\t"
    "families\tmother_posterior\tmother_runner_up\tfather_posterior\tfather_runner_up\t"
    "pair_posterior\tpair_runner_up_mother\tpair_runner_up_father\t"
    "max_mismatches\n";

namespace {

// The seven cells of a mother, a father or a pair when there is none.
const char* const kNoCandidate = "\t\t\t\t\t\t\t";

// Cells after the first: a tab, then the value.
void appendLod(std::string& out, double value) {
  out += '\t';
  appendFixed(out, value);
}
void appendCount(std::string& out, int64_t value) {
  out += '\t';
  appendInt(out, value);
}
void appendWord(std::string& out, const char* word) {
  out += '\t';
  out += word;
}
const char* yesNo(bool yes) { return yes ? "yes" : "no"; }

// The mother's or father's seven cells: who, LOD, delta, mismatches, near,
// in_sphere, call; a known mother's call reads "known".
void appendParentCells(std::string& out, const BestCandidate& best, int32_t row, bool known,
                       const SearchFacts& facts, const TableLabels& labels) {
  if (!best.found) {
    out += kNoCandidate;
    return;
  }
  out += '\t';
  labels.appendParent(out, row);
  appendLod(out, best.lod);
  appendLod(out, best.delta);
  appendCount(out, best.mismatches);
  appendCount(out, best.near);
  appendWord(out, yesNo(best.near <= facts.radius));
  appendWord(out, callName(known ? Call::Known : best.call));
}

// A posterior cell: empty without a candidate.
void appendPosteriorCell(std::string& out, const BestCandidate& best) {
  out += '\t';
  if (best.found) appendPosterior(out, best.posterior);
}

// A runner-up's cell: empty when there is none.
void appendRunnerUp(std::string& out, int32_t row, const TableLabels& labels) {
  out += '\t';
  if (row >= 0) labels.appendParent(out, row);
}

}  // namespace

void appendFixed(std::string& out, double value) { appendRoundedDecimal(out, value, kLodDecimals); }

void appendPosterior(std::string& out, double value) {
  appendRoundedDecimal(out, std::min(std::max(value, 0.0), 1.0), kPosteriorDecimals);
}

void TableLabels::appendOffspring(std::string& out, size_t row) const {
  if (names_ != nullptr) {
    out += names_->offspring(static_cast<int64_t>(row + 1));
  } else {
    appendInt(out, static_cast<int64_t>(row + 1));
  }
}

TableLabels::TableLabels(const GenotypeTables& tables, const NameBook* names) : names_(names) {
  identifiers_.reserve(tables.parents.size());
  for (size_t row = 0; row < tables.parents.size(); ++row) {
    identifiers_.push_back(tables.identifier(row));
  }
}

void TableLabels::appendParent(std::string& out, int32_t row) const {
  const int32_t id = identifiers_[static_cast<size_t>(row)];
  if (names_ != nullptr) {
    out += names_->parent(id);
  } else {
    appendInt(out, id);
  }
}

void appendTableRow(std::string& out, size_t row, const OffspringRanking& ranking,
                    const SearchFacts& facts, const TableLabels& labels) {
  labels.appendOffspring(out, row);
  appendCount(out, ranking.lociTyped);
  appendCount(out, ranking.mothersScored);
  appendCount(out, ranking.fathersScored);
  appendParentCells(out, ranking.mother, ranking.mother.mother, ranking.knownMother, facts,
                    labels);
  appendParentCells(out, ranking.father, ranking.father.father, false, facts, labels);
  const BestCandidate& pair = ranking.pair;
  if (pair.found) {
    out += '\t';
    labels.appendParent(out, pair.mother);
    out += '\t';
    labels.appendParent(out, pair.father);
    appendLod(out, pair.lod);
    appendLod(out, pair.delta);
    appendCount(out, pair.mismatches);
    appendWord(out, callName(pair.call));
    appendWord(out, yesNo(facts.pairInFam));
  } else {
    out += kNoCandidate;
  }
  appendCount(out, static_cast<int64_t>(facts.families));
  appendPosteriorCell(out, ranking.mother);
  appendRunnerUp(out, ranking.mother.runnerUpMother, labels);
  appendPosteriorCell(out, ranking.father);
  appendRunnerUp(out, ranking.father.runnerUpFather, labels);
  appendPosteriorCell(out, pair);
  appendRunnerUp(out, pair.runnerUpMother, labels);
  appendRunnerUp(out, pair.runnerUpFather, labels);
  appendCount(out, ranking.maxMismatches);
  out += '\n';
}
