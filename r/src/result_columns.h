#pragma once
// What find_parents() returns, gathered as columns while the engine runs:
// the candidates and families of each offspring as its search thread hears
// them, and the ranked table's cells from the table's own rankings. No report
// text is read back. Individuals are kept as rows counted from 1 (R indexes
// its names with them) and the factors as their codes from 1.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/parallel_listener.h"
#include "ranking/ranked_table.h"

// Parent.out's rows: per offspring its mothers, then its fathers, each sex
// Included (I-TOTAL MATCH) before SemiIncluded, in parents-table order.
struct CandidateColumns {
  std::vector<int> offspring;  // offspring row
  std::vector<int> parent;     // parents-table row
  std::vector<int> sex;        // 1 mother, 2 father
  std::vector<int> tag;        // 1 I-TOTAL, 2 S-TOTAL, 3 NON-TOTAL MATCH
  std::vector<int> near;
  std::vector<int> far;
};

// Fam.out's rows, in its order: per offspring the ranked mothers, each with
// the compatible ranked fathers.
struct FamilyColumns {
  std::vector<int> offspring;
  std::vector<int> mother;  // parents-table rows
  std::vector<int> father;
  std::vector<int> marked;  // the report's "*": 1 when the trio has an untyped allele
};

// One column of the ranked table, named as the table's header names it.
struct TableColumn {
  enum class Kind {
    Offspring,  // an offspring row
    Parent,     // a parents-table row, missing when there is none
    Count,      // a whole number
    Number,     // a LOD, delta or posterior, as the table rounds it
    YesNo,      // a yes/no cell, as 1/0
    Call,       // a call's code from 1, in the order of callName's words
  };
  std::string name;
  Kind kind;
  std::vector<int> whole;     // every kind but Number
  std::vector<double> number; // Number
};

// Listens to the search (as a ParallelListener wrapping the ranked table's)
// and to the ranked table's rankings. Cells with no value hold `missing` (R's
// NA for whole numbers and logicals) or `missingNumber`.
class ResultColumns : public ParallelListener, public RankingListener {
 public:
  // `parentMissing` and `sonMissing` flag the rows of the tables searched
  // that hold an untyped allele; parent rows below `motherCount` are
  // mothers; `rankedTable` ranks every offspring. All must outlive the columns.
  ResultColumns(const std::vector<bool>& parentMissing, const std::vector<bool>& sonMissing,
                int32_t motherCount, int32_t radius, RankedTable& rankedTable, int missing,
                double missingNumber);

  std::unique_ptr<OffspringWorker> newWorker() override;
  void blockDone(BlockPiece& piece) override;
  void ranked(size_t offspring, const OffspringRanking& ranking, double minDelta) override;

  // False when an offspring's families collected differ in number from the
  // engine's count of them (the columns would then not be Fam.out's).
  bool consistent() const { return consistent_; }

  CandidateColumns candidates;
  FamilyColumns families;
  std::vector<TableColumn> table;  // in the table's column order

 private:
  class Worker;
  struct Piece;

  const std::vector<bool>& parentMissing_;
  const std::vector<bool>& sonMissing_;
  int32_t motherCount_;
  int32_t radius_;
  RankedTable& ranked_;
  int missing_;
  double missingNumber_;
  bool consistent_ = true;
  std::vector<size_t> familyFrom_;  // per offspring heard, its first row in `families`
  std::string cell_;                // a number's text, reused
};
