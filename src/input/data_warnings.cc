#include "input/data_warnings.h"

#include <algorithm>
#include <unordered_map>

#include "input/line_parser.h"
#include "input/located_error.h"
#include "util/escaped_text.h"

namespace {

constexpr size_t kPlacesShown = 3;
// Rows are fetched this many ahead: each lies in a block of its own, and
// read one after another they wait on memory.
constexpr size_t kRowsAhead = 32;

// How a warning points at a row: "<file>:<line>" and the note, with the
// individual's name first inside the note's parentheses when it has one.
class Places {
 public:
  Places(const Data& parents, const RowNames& names) : parents_(parents), names_(names) {}

  std::string of(const Data& table, size_t row, const std::string& note) const {
    std::string place = table.fileName + ":" + std::to_string(lineOfRow(table, row));
    const std::string* name = names_ ? names_(&table == &parents_, row) : nullptr;
    if (name == nullptr) return place + note;
    if (note.compare(0, 2, " (") == 0) return place + " (" + *name + "; " + note.substr(2);
    return place + " (" + *name + ")" + note;
  }

 private:
  const Data& parents_;
  const RowNames& names_;
};

// One kind of warning: how often it was met and the first places.
struct Finding {
  explicit Finding(const Places& where) : where(where) {}

  const Places& where;
  size_t count = 0;
  std::vector<std::string> places;

  void add(const Data& table, size_t row, const std::string& note = "") {
    if (++count > kPlacesShown) return;
    places.push_back(where.of(table, row, note));
  }

  // "parentsphere: warning: <count> <what>: <places>[, and N more]", or
  // nothing when the kind was not met.
  void appendLine(std::vector<std::string>& lines, const std::string& one,
                  const std::string& many, const std::string& prefix = "") const {
    if (count == 0) return;
    std::string line = "parentsphere: warning: " + prefix + std::to_string(count) + " " +
                       (count == 1 ? one : many) + ": ";
    for (size_t i = 0; i < places.size(); ++i) line += (i == 0 ? "" : ", ") + places[i];
    if (count > places.size()) line += ", and " + std::to_string(count - places.size()) + " more";
    lines.push_back(line);
  }
};

// Reading poisons the rest of a row after an invalid value, so a row holds
// one exactly when its last value is invalid: only those rows are searched.
void findInvalidValues(const Data& table, Finding& found) {
  const size_t rows = table.rows.size();
  for (size_t i = 0; i < rows; ++i) {
    if (i + kRowsAhead < rows && !table.rows[i + kRowsAhead].empty()) {
      __builtin_prefetch(&table.rows[i + kRowsAhead].back());
    }
    const std::vector<int>& row = table.rows[i];
    if (row.empty() || row.back() != kInvalidValue) continue;
    const size_t c = static_cast<size_t>(std::find(row.begin(), row.end(), kInvalidValue) - row.begin());
    found.add(table, i, " column " + std::to_string(c + 1));
  }
}

// The row read from `line` of `table`'s text. Precondition: a row was.
size_t rowOfLine(const Data& table, size_t line) {
  if (table.rowLines.empty()) return line - 1;
  return static_cast<size_t>(
      std::lower_bound(table.rowLines.begin(), table.rowLines.end(), line) -
      table.rowLines.begin());
}

// Values whose token had text after the digits: a parent's identifier is
// called so, other values go by their column.
void findTextAfterDigits(const Data& table, bool parents, size_t loci, Finding& found) {
  const size_t idColumn = 2 * loci + 1;
  const TextAfterDigits& text = table.textAfterDigits;
  for (const TextAfterDigits::Place& place : text.places) {
    const std::string what =
        parents && place.column == idColumn ? " identifier" : " column " + std::to_string(place.column);
    found.add(table, rowOfLine(table, place.line),
              what + " '" + shownText(place.token, place.tokenLength) + "' read as " +
                  std::to_string(place.value));
  }
  found.count += text.count - text.places.size();
}

// A row without the missing code has every locus typed: only rows with it
// are counted (all of them when there is no locus, or no flag per row for
// this code).
void findPoorlyTyped(const Data& table, size_t loci, int missing, Finding& untyped,
                     Finding& fewTyped) {
  const bool flagged = loci > 0 && table.flaggedMissing == missing &&
                       table.rowHasMissing.size() == table.rows.size();
  const size_t rows = table.rows.size();
  for (size_t i = 0; i < rows; ++i) {
    if (i + kRowsAhead < rows) __builtin_prefetch(table.rows[i + kRowsAhead].data());
    if (flagged && !table.rowHasMissing[i]) continue;
    const std::vector<int>& row = table.rows[i];
    size_t typed = 0;
    // Without branches: the missing values fall anywhere.
    for (size_t k = 0; k < loci; ++k) {
      typed += static_cast<size_t>(row[2 * k] != missing) & static_cast<size_t>(row[2 * k + 1] != missing);
    }
    if (typed == 0) {
      untyped.add(table, i);
    } else if (2 * typed < loci) {
      fewTyped.add(table, i, " (" + std::to_string(typed) + " of " + std::to_string(loci) + ")");
    }
  }
}

}  // namespace

std::vector<std::string> dataWarnings(const CheckedTables& tables, const RowNames& names) {
  const Data& parents = tables.parents;
  const Data& sons = tables.offspring;
  const size_t loci = static_cast<size_t>(tables.loci);
  const Places where(parents, names);
  Finding invalid(where);
  findInvalidValues(parents, invalid);
  findInvalidValues(sons, invalid);

  Finding textAfterDigits(where);
  findTextAfterDigits(parents, true, loci, textAfterDigits);
  findTextAfterDigits(sons, false, loci, textAfterDigits);

  Finding identifiers(where);
  const size_t idColumn = 2 * loci;
  std::unordered_map<int, size_t> firstLine;
  for (size_t j = 0; j < parents.rows.size(); ++j) {
    const int id = parents.rows[j][idColumn];
    const auto [seen, isNew] = firstLine.emplace(id, lineOfRow(parents, j));
    if (id == kInvalidValue) {
      identifiers.add(parents, j, " (invalid, so counted as a mother)");
    } else if (!isNew) {
      identifiers.add(parents, j, " (" + std::to_string(id) + ", as on line " +
                                      std::to_string(seen->second) + ")");
    }
  }

  // The role is read from the column of the first row's last value, as the
  // mother count reads it.
  Finding swapped(where);
  const int mothers = tables.mothers;
  const size_t roleColumn = parents.rows.front().size() - 1;
  for (size_t j = 0; j < parents.rows.size(); ++j) {
    const int id = parents.rows[j][roleColumn];
    const bool analysedAsMother = j < static_cast<size_t>(mothers);
    if (analysedAsMother == (id < parents.firstFatherId)) continue;
    swapped.add(parents, j,
                " (" + std::to_string(id) + (analysedAsMother ? " analysed as a mother)" : " analysed as a father)"));
  }

  Finding untyped(where);
  Finding fewTyped(where);
  findPoorlyTyped(parents, loci, tables.missing, untyped, fewTyped);
  findPoorlyTyped(sons, loci, tables.missing, untyped, fewTyped);

  std::vector<std::string> lines;
  invalid.appendLine(lines,
                     "row holds a negative value other than -99, read as invalid (-100000) with "
                     "the rest of its row",
                     "rows hold a negative value other than -99, read as invalid (-100000) with "
                     "the rest of the row");
  textAfterDigits.appendLine(lines,
                             "value has text after its digits, read as the number before the text",
                             "values have text after their digits, read as the number before the "
                             "text");
  identifiers.appendLine(lines, "parent identifier is invalid or repeated",
                         "parent identifiers are invalid or repeated");
  swapped.appendLine(lines, "parent takes the other role", "parents take the other role",
                     "mothers (identifiers below " + std::to_string(parents.firstFatherId) +
                         ") are not all listed before the fathers; the "
                     "first " + std::to_string(mothers) + " rows are analysed as mothers, so ");
  untyped.appendLine(lines, "individual has no typed locus, so it matches every genotype",
                     "individuals have no typed locus, so they match every genotype");
  fewTyped.appendLine(lines,
                      "individual is typed at fewer than half the loci, so it matches almost "
                      "every genotype",
                      "individuals are typed at fewer than half the loci, so they match almost "
                      "every genotype");
  return lines;
}
