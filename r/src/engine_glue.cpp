// The R package's door to the parentsphere engine: the tables come in as
// integer matrices and become the engine's rows directly, read by the rules
// the program reads the same numbers in its files with; the candidates,
// families and ranked table come back as columns the engine's listeners
// filled. The three reports and the table are written as files only when
// find_parents() is given a folder for them.
#include <Rcpp.h>
#include <R_ext/Rdynload.h>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "analysis/analyse.h"
#include "calibration/calibration.h"
#include "calibration/calibration_file.h"
#include "files/replaced_file.h"
#include "files/report_set.h"
#include "input/data.h"
#include "input/line_parser.h"
#include "input/located_error.h"
#include "input/missing_value.h"
#include "input/table_checks.h"
#include "ranking/call.h"
#include "ranking/ranked_table.h"
#include "result_columns.h"
#include "status/run_failure.h"

namespace {

// A report nobody asked for: the engine's text goes nowhere.
class DiscardedReport : public ReportSink {
 public:
  void write(std::string& text) override { text.clear(); }
  void writeHead(std::string& head) override { head.clear(); }
  bool close() override { return true; }
};

// Hands progress to an R function, and lets Ctrl-C stop the run: an interrupt
// throws out of the engine, whose buffers unwind, and R resumes at the prompt.
class RProgress : public RunProgress {
 public:
  // `callback` is an R function of (done, total), or NULL.
  explicit RProgress(SEXP callback) : callback_(callback) {}
  void update(size_t sonsDone, size_t sonsTotal) override {
    Rcpp::checkUserInterrupt();
    if (callback_ != R_NilValue) {
      Rcpp::Function call(callback_);
      call(static_cast<double>(sonsDone), static_cast<double>(sonsTotal));
    }
  }
  void finish() override {}

 private:
  SEXP callback_;
};

// A table's rows as the engine holds them, with each row's missing flag.
struct TableRows {
  std::vector<std::vector<int>> rows;
  std::vector<bool> rowHasMissing;
};

// The rows of an integer matrix, each value taken as the program takes the
// same number in `fileName` written one row per line: NA is the missing
// code; 0 stops the run with the program's message and place; a negative
// other than the missing code is an impossible value, and so is every later
// value of its row.
TableRows matrixRows(const Rcpp::IntegerMatrix& matrix, const char* fileName) {
  const size_t nrow = static_cast<size_t>(matrix.nrow());
  const size_t ncol = static_cast<size_t>(matrix.ncol());
  TableRows table;
  if (ncol == 0) return table;  // blank lines: no rows
  const int* values = matrix.begin();
  table.rows.resize(nrow);
  table.rowHasMissing.resize(nrow);
  for (size_t i = 0; i < nrow; ++i) {
    std::vector<int>& row = table.rows[i];
    row.resize(ncol);
    bool poisoned = false;
    bool hasMissing = false;
    for (size_t j = 0; j < ncol; ++j) {
      int value = values[i + j * nrow];  // R keeps a matrix column after column
      if (value == NA_INTEGER) value = kMissingValue;
      if (value == 0) {
        BadToken bad;
        bad.line = i + 1;
        bad.column = j + 1;
        bad.token = "0";
        bad.tokenLength = 1;
        bad.fault = TokenFault::Zero;
        throw RunFailure(kConversionMessage, describeBadToken(fileName, bad));
      }
      if (poisoned) {
        value = kInvalidValue;
      } else if (value < 0 && value != kMissingValue) {
        value = kInvalidValue;
        poisoned = true;
      }
      hasMissing = hasMissing || value == kMissingValue;
      row[j] = value;
    }
    table.rowHasMissing[i] = hasMissing;
  }
  return table;
}

// Puts back, when it goes, how the process handled the signals that end a
// run. The engine's files, once created, remove their temporaries on Ctrl-C
// and then end the process: right for the program, fatal to an R session.
// With R's handlers back, an interrupt unwinds the run instead, and the
// files remove their temporaries as they are destroyed.
class SignalHandlersKept {
 public:
  SignalHandlersKept() {
    for (size_t i = 0; i < kCount; ++i) ::sigaction(kSignals[i], nullptr, &saved_[i]);
  }
  ~SignalHandlersKept() {
    for (size_t i = 0; i < kCount; ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
  }
  SignalHandlersKept(const SignalHandlersKept&) = delete;
  SignalHandlersKept& operator=(const SignalHandlersKept&) = delete;

 private:
  static constexpr size_t kCount = 4;
  static constexpr int kSignals[kCount] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};
  struct sigaction saved_[kCount];
};

// Where the reports and the ranked table go: nowhere, or into a folder
// through the program's own report path (files written beside their names
// and put in place whole).
class ReportOutputs {
 public:
  // `folder` empty: nowhere. Otherwise its reports are locked and opened;
  // another run writing there stops this one before anything is changed.
  explicit ReportOutputs(const std::string& folder) {
    if (folder.empty()) return;
    const SignalHandlersKept handlers;
    set_ = std::make_unique<ReportSet>(folder);
    if (!set_->open()) {
      throw RunFailure("", "parentsphere: another run is writing its reports in " + folder +
                               "; nothing was changed");
    }
    tablePath_ = (std::filesystem::path(folder) / "table.tsv").string();
    table_ = std::make_unique<ReplacedFile>(tablePath_);
  }

  ReportSinks reports() {
    if (set_ == nullptr) return {discarded_[0], discarded_[1], discarded_[2]};
    return {set_->parents(), set_->families(), set_->genotypes()};
  }
  ReportSink& table() { return table_ != nullptr ? table_->sink() : discarded_[3]; }

  // Puts the files in place; throws the program's line for each file that
  // could not be written. `tableWritten`: the table's sink took every byte.
  void commit(bool tableWritten) {
    if (set_ == nullptr) return;
    std::vector<std::string> unwritten = set_->commit();
    if (!table_->commit() || !tableWritten) unwritten.push_back(tablePath_);
    std::string lost;
    for (const std::string& path : unwritten) lost += "can not write " + path + " output file\n";
    if (!lost.empty()) throw RunFailure(lost);
  }

 private:
  DiscardedReport discarded_[4];
  std::unique_ptr<ReportSet> set_;
  std::unique_ptr<ReplacedFile> table_;
  std::string tablePath_;
};

// What one run asks for beside the tables.
struct RunRequest {
  int radius = 0;
  int firstFatherId = kFirstFatherId;
  TableOptions options;          // the ranked table's settings and known mothers
  size_t simulated = 0;          // offspring the calibration simulates (0: none)
  SimulationSettings simulation; // its error rate and seed
  std::string reports;           // the folder the files go to; empty: none
};

// What one run gives back.
struct RunResult {
  CandidateColumns candidates;
  FamilyColumns families;
  std::vector<TableColumn> table;
  std::vector<int> identifiers;  // each parents-table row's identifier, as the engine read it
  std::string calibration;       // the calibration file's text; empty without one
};

// The one place the glue drives the engine, as the program's table run
// does: the tables checked, the ranked table (calibrated when asked), the
// search heard by the result columns, the files put in place when wanted.
// Throws RunFailure with the program's message for tables it refuses.
RunResult runEngine(TableRows parentRows, TableRows sonRows, const RunRequest& request,
                    RunProgress& progress) {
  // An empty table read from no text, then given the matrix's rows: the
  // tables the reader would have made of the same numbers, one row per line.
  const auto table = [](TableRows&& rows, const char* fileName) {
    Data data = Data::fromText("", kMissingValue, "#", fileName);
    data.rowLines.resize(rows.rows.size());
    for (size_t i = 0; i < data.rowLines.size(); ++i) data.rowLines[i] = i + 1;
    data.rows = std::move(rows.rows);
    data.rowHasMissing = std::move(rows.rowHasMissing);
    return data;
  };
  Data parents = table(std::move(parentRows), "parents.PAR");
  Data sons = table(std::move(sonRows), "sons.PRO");
  parents.firstFatherId = request.firstFatherId;
  const CheckedTables checked = checkTables(parents, sons, kMissingValue);
  const int mothers = checked.mothers;
  const GenotypeTables tables = genotypeTables(checked);
  RankedTable ranked(tables, request.options, request.radius);
  RunResult result;
  if (request.simulated > 0) {
    // The simulated offspring are ranked as the real ones; their thresholds
    // make the table's calls.
    const RankingSettings ranking = ranked.settings();
    const Calibration measured = calibrate(tables, ranked.frequencies(), ranking,
                                           ranked.knownMothers(), request.simulation,
                                           request.simulated, 1);
    ranked.useThresholds(measured.thresholds());
    result.calibration = calibrationText(measured, tables, ranking);
  }
  ReportOutputs outputs(request.reports);
  ranked.start(outputs.table());
  ResultColumns columns(parents.rowHasMissing, sons.rowHasMissing, mothers, request.radius, ranked,
                        NA_INTEGER, NA_REAL);
  EngineListeners listeners;
  listeners.progress = &progress;
  listeners.parallel = &columns;
  analyse(checked, request.radius, outputs.reports(), listeners, 1);
  outputs.commit(ranked.close());
  if (!columns.consistent()) {
    throw std::logic_error("the engine's families and the families collected disagree");
  }
  result.candidates = std::move(columns.candidates);
  result.families = std::move(columns.families);
  result.table = std::move(columns.table);
  for (size_t row = 0; row < parents.rows.size(); ++row) {
    result.identifiers.push_back(tables.identifier(row));
  }
  return result;
}

Rcpp::LogicalVector logical(const std::vector<int>& values) {
  Rcpp::LogicalVector out(values.size());
  std::copy(values.begin(), values.end(), out.begin());
  return out;
}

// The table's columns for R: whole numbers, numbers and logicals as they
// are; rows and call codes for the R side to turn into names and factors.
Rcpp::List tableList(const std::vector<TableColumn>& table) {
  Rcpp::List columns(table.size());
  Rcpp::CharacterVector names(table.size());
  Rcpp::CharacterVector kinds(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const TableColumn& column = table[i];
    names[i] = column.name;
    switch (column.kind) {
      case TableColumn::Kind::Number:
        columns[i] = Rcpp::wrap(column.number);
        kinds[i] = "number";
        break;
      case TableColumn::Kind::YesNo:
        columns[i] = logical(column.whole);
        kinds[i] = "logical";
        break;
      case TableColumn::Kind::Offspring:
        columns[i] = Rcpp::wrap(column.whole);
        kinds[i] = "offspring";
        break;
      case TableColumn::Kind::Parent:
        columns[i] = Rcpp::wrap(column.whole);
        kinds[i] = "parent";
        break;
      case TableColumn::Kind::Call:
        columns[i] = Rcpp::wrap(column.whole);
        kinds[i] = "call";
        break;
      case TableColumn::Kind::Count:
        columns[i] = Rcpp::wrap(column.whole);
        kinds[i] = "count";
        break;
    }
  }
  columns.attr("names") = names;
  columns.attr("kinds") = kinds;
  return columns;
}

Rcpp::List resultList(const RunResult& result) {
  const CandidateColumns& c = result.candidates;
  const FamilyColumns& f = result.families;
  Rcpp::CharacterVector calls;
  for (Call call : {Call::Strict, Call::Relaxed, Call::Ambiguous, Call::Unlikely, Call::Known}) {
    calls.push_back(callName(call));
  }
  return Rcpp::List::create(
      Rcpp::Named("candidates") = Rcpp::List::create(
          Rcpp::Named("offspring") = c.offspring, Rcpp::Named("parent") = c.parent,
          Rcpp::Named("sex") = c.sex, Rcpp::Named("tag") = c.tag, Rcpp::Named("near") = c.near,
          Rcpp::Named("far") = c.far),
      Rcpp::Named("families") = Rcpp::List::create(
          Rcpp::Named("offspring") = f.offspring, Rcpp::Named("mother") = f.mother,
          Rcpp::Named("father") = f.father, Rcpp::Named("marked") = logical(f.marked)),
      Rcpp::Named("table") = tableList(result.table), Rcpp::Named("calls") = calls,
      Rcpp::Named("identifiers") = result.identifiers,
      Rcpp::Named("calibration") = result.calibration);
}

}  // namespace

// Analyses `parents` (allele columns, then the identifier) and `offspring`
// (allele columns), integer matrices, for `radius`, missing alleles being -99
// or NA. `progress` is an R function of (done, total) or NULL; `ranking` the
// ranked table's error rate, largest mismatch count (negative: from the
// data), least delta of a strict or relaxed call, sampled shares of mothers
// and fathers, the first father identifier, then the offspring to simulate
// for the calibration (0: none), its error rate (negative: the table's) and
// its seed; `knownMothers` the path of a known mothers file, or "" for none;
// `reports` a folder for Parent.out, Fam.out, Famgenotypes.out and
// table.tsv, or "" for none. Returns the columns of the candidates, the
// families and the ranked table (individuals as rows from 1), the call
// words, the parents' identifiers and the calibration's text ("" without
// one). Bad tables stop with the program's message.
extern "C" SEXP parentsphere_run_engine(SEXP parents, SEXP offspring, SEXP radius,
                                        SEXP progress, SEXP ranking, SEXP knownMothers,
                                        SEXP reports) {
  BEGIN_RCPP
  RProgress reporter(progress);
  const Rcpp::NumericVector values(ranking);
  RunRequest request;
  request.radius = Rcpp::as<int>(radius);
  RankingSettings& settings = request.options.settings;
  settings.errorRate = values[0];
  // -1 asks for the limit from the data, -2 for the program's default.
  settings.autoMismatches = values[1] == -1;
  settings.maxMismatchesGiven = values[1] != -2;
  if (values[1] >= 0) settings.maxMismatches = static_cast<int32_t>(values[1]);
  settings.minDelta = values[2];
  settings.sampledMothers = values[3];
  settings.sampledFathers = values[4];
  settings.sampledMothersGiven = true;
  settings.sampledFathersGiven = true;
  request.firstFatherId = static_cast<int>(values[5]);
  request.simulated = static_cast<size_t>(values[6]);
  request.simulation.errorRate = values[7] < 0 ? settings.errorRate : values[7];
  request.simulation.seed = static_cast<uint64_t>(values[8]);
  request.simulation.sampledMothers = settings.sampledMothers;
  request.simulation.sampledFathers = settings.sampledFathers;
  request.options.knownMothers = Rcpp::as<std::string>(knownMothers);
  request.reports = Rcpp::as<std::string>(reports);
  Rcpp::List result;
  std::string failure;
  try {
    TableRows parentRows = matrixRows(Rcpp::IntegerMatrix(parents), "parents.PAR");
    TableRows sonRows = matrixRows(Rcpp::IntegerMatrix(offspring), "sons.PRO");
    result = resultList(runEngine(std::move(parentRows), std::move(sonRows), request, reporter));
  } catch (const RunFailure& error) {
    // The option files' failures say what is wrong in the detail alone.
    failure = *error.what() != '\0' ? error.what() : error.detail();
  } catch (const std::bad_alloc&) {
    failure = "not enough memory to finish the analysis";
  }
  if (!failure.empty()) {
    while (!failure.empty() && failure.back() == '\n') failure.pop_back();
    Rcpp::stop(failure);
  }
  return result;
  END_RCPP
}

namespace {

// R stores every entry point as DL_FUNC; the detour through void (*)() is the
// cast compilers accept between function types.
template <typename Function>
DL_FUNC entry(Function* function) {
  return reinterpret_cast<DL_FUNC>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

extern "C" void R_init_parentsphere(DllInfo* dll) {
  static const R_CallMethodDef entries[] = {
      {"parentsphere_run_engine", entry(&parentsphere_run_engine), 7},
      {nullptr, nullptr, 0},
  };
  R_registerRoutines(dll, nullptr, entries, nullptr, nullptr);
  R_useDynamicSymbols(dll, FALSE);
}
