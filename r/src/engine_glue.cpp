// The R package's door to the parentsphere engine: the tables come in as
// integer matrices, go through the command line's own table reader, and the
// engine's three reports come back as text for the R side to parse, with the
// near and far distance of every candidate from the engine's listener.
#include <Rcpp.h>
#include <R_ext/Rdynload.h>

#include <new>
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "input/data.h"
#include "input/missing_value.h"
#include "input/table_checks.h"
#include "ranking/ranked_table.h"
#include "status/run_failure.h"
#include "reports/number_text.h"

namespace {

// A report kept in memory: its head, then everything written.
class TextSink : public ReportSink {
 public:
  explicit TextSink(bool keep) : keep_(keep) {}
  void write(std::string& text) override {
    if (keep_) body_ += text;
    text.clear();
  }
  void writeHead(std::string& head) override {
    if (keep_) head_ = head;
    head.clear();
  }
  bool close() override { return true; }
  std::string text() const { return head_ + body_; }

 private:
  bool keep_;
  std::string head_;
  std::string body_;
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

// Every candidate's distances, one entry per sphere hit: the offspring's
// number (its row from 1, as the reports count), the parent's identifier and
// its near and far distance.
class CandidateDistances : public OffspringListener {
 public:
  explicit CandidateDistances(const Data& parents) : parents_(parents) {}
  void offspringDone(const OffspringOutcome& outcome) override {
    const size_t identifier = 2 * static_cast<size_t>(parents_.nLoci);
    for (const SphereHit& hit : outcome.hits) {
      offspring.push_back(static_cast<int>(outcome.offspring + 1));
      parent.push_back(parents_.rows[static_cast<size_t>(hit.row)][identifier]);
      near.push_back(hit.near);
      far.push_back(hit.far);
    }
  }
  std::vector<int> offspring;
  std::vector<int> parent;
  std::vector<int> near;
  std::vector<int> far;

 private:
  const Data& parents_;
};

// The table as the text of a genotype file: one row per line, values apart.
std::string tableText(const Rcpp::IntegerMatrix& table) {
  std::string text;
  for (int i = 0; i < table.nrow(); ++i) {
    for (int j = 0; j < table.ncol(); ++j) {
      if (j > 0) text += ' ';
      appendInt(text, table(i, j));
    }
    text += '\n';
  }
  return text;
}

}  // namespace

// Analyses `parents` (allele columns, then the identifier) and `offspring`
// (allele columns), integer matrices, for `radius`, missing alleles being -99.
// `progress` is an R function of (done, total) or NULL; `ranking` the ranked
// table's error rate, largest mismatch count (negative: from the data),
// least delta of a strict or relaxed call, sampled shares of mothers and
// fathers, then the first father identifier; `knownMothers` the path of a
// known mothers file, or "" for none. Returns the
// text of "Parent.out", "Fam.out", when `keepGenotypes` "Famgenotypes.out"
// (otherwise "") and of the ranked table (numbers, not names), and `hits`,
// the candidates' distances. Bad tables stop with the command line's message.
extern "C" SEXP parentsphere_run_engine(SEXP parents, SEXP offspring, SEXP radius,
                                        SEXP progress, SEXP keepGenotypes, SEXP ranking,
                                        SEXP knownMothers) {
  BEGIN_RCPP
  TextSink parentReport(true);
  TextSink familyReport(true);
  TextSink genotypeReport(Rcpp::as<bool>(keepGenotypes));
  TextSink tableReport(true);
  RProgress reporter(progress);
  const Rcpp::NumericVector rankingValues(ranking);
  TableOptions options;
  options.settings.errorRate = rankingValues[0];
  // A negative limit asks for the limit from the data.
  options.settings.autoMismatches = rankingValues[1] < 0;
  options.settings.maxMismatches =
      options.settings.autoMismatches ? 0 : static_cast<int32_t>(rankingValues[1]);
  options.settings.minDelta = rankingValues[2];
  options.settings.sampledMothers = rankingValues[3];
  options.settings.sampledFathers = rankingValues[4];
  options.settings.sampledMothersGiven = true;
  options.settings.sampledFathersGiven = true;
  options.knownMothers = Rcpp::as<std::string>(knownMothers);
  Rcpp::List result;
  std::string failure;
  try {
    Data parentTable = Data::fromText(tableText(Rcpp::IntegerMatrix(parents)), kMissingValue, "#",
                                      "parents.PAR");
    Data sonTable = Data::fromText(tableText(Rcpp::IntegerMatrix(offspring)), kMissingValue, "#",
                                   "sons.PRO");
    parentTable.firstFatherId = static_cast<int>(rankingValues[5]);
    const int loci = validateTables(parentTable, sonTable);
    const GenotypeTables tables{parentTable.rows, sonTable.rows, loci, motherCount(parentTable),
                                kMissingValue};
    RankedTable table(tables, options, Rcpp::as<int>(radius));
    table.start(tableReport);
    CandidateDistances distances(parentTable);
    analyse(parentTable, sonTable, Rcpp::as<int>(radius), kMissingValue,
            {parentReport, familyReport, genotypeReport}, &reporter, &distances, 1, &table);
    table.close();
    result = Rcpp::List::create(
        Rcpp::Named("parents") = parentReport.text(),
        Rcpp::Named("families") = familyReport.text(),
        Rcpp::Named("genotypes") = genotypeReport.text(),
        Rcpp::Named("table") = tableReport.text(),
        Rcpp::Named("hits") = Rcpp::List::create(Rcpp::Named("offspring") = distances.offspring,
                                                 Rcpp::Named("parent") = distances.parent,
                                                 Rcpp::Named("near") = distances.near,
                                                 Rcpp::Named("far") = distances.far));
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
