// The R package's door to the parentsphere engine: the tables come in as
// integer matrices, go through the command line's own table reader, and the
// engine's three reports come back as text for the R side to parse.
#include <Rcpp.h>
#include <R_ext/Rdynload.h>

#include <new>
#include <string>

#include "app/analysis_run.h"
#include "input/data.h"
#include "records/run_failure.h"
#include "reports/number_text.h"
#include "spheres/espacio.h"

namespace {

constexpr int kMissing = -99;

// A report kept in memory.
class TextSink : public ReportSink {
 public:
  void write(std::string& text) override {
    if (keep_) kept_ += text;
    text.clear();
  }
  bool close() override { return true; }
  explicit TextSink(bool keep) : keep_(keep) {}
  const std::string& text() const { return kept_; }

 private:
  bool keep_;
  std::string kept_;
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
// `progress` is an R function of (done, total) or NULL. Returns the text of
// "Parent.out", "Fam.out" and, when `keepGenotypes`, "Famgenotypes.out"
// (otherwise ""). Bad tables stop with the command line's message.
extern "C" SEXP parentsphere_run_engine(SEXP parents, SEXP offspring, SEXP radius,
                                        SEXP progress, SEXP keepGenotypes) {
  BEGIN_RCPP
  TextSink parentReport(true);
  TextSink familyReport(true);
  TextSink genotypeReport(Rcpp::as<bool>(keepGenotypes));
  RProgress reporter(progress);
  std::string failure;
  try {
    Data parentTable = Data::fromText(tableText(Rcpp::IntegerMatrix(parents)), kMissing, "#",
                                      "parents.PAR");
    Data sonTable = Data::fromText(tableText(Rcpp::IntegerMatrix(offspring)), kMissing, "#",
                                   "sons.PRO");
    valoresperdidos = kMissing;
    analyse(parentTable, sonTable, Rcpp::as<int>(radius), kMissing,
            {parentReport, familyReport, genotypeReport}, &reporter);
  } catch (const RunFailure& error) {
    failure = error.what();
  } catch (const std::bad_alloc&) {
    failure = "not enough memory to finish the analysis";
  }
  if (!failure.empty()) {
    while (!failure.empty() && failure.back() == '\n') failure.pop_back();
    Rcpp::stop(failure);
  }
  return Rcpp::List::create(Rcpp::Named("parents") = parentReport.text(),
                            Rcpp::Named("families") = familyReport.text(),
                            Rcpp::Named("genotypes") = genotypeReport.text());
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
      {"parentsphere_run_engine", entry(&parentsphere_run_engine), 5},
      {nullptr, nullptr, 0},
  };
  R_registerRoutines(dll, nullptr, entries, nullptr, nullptr);
  R_useDynamicSymbols(dll, FALSE);
}
