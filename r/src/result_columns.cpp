#include "result_columns.h"

#include <R_ext/Utils.h>

#include <stdexcept>

#include "ranking/table_row.h"
#include "spheres/sphere_membership.h"

namespace {

using Kind = TableColumn::Kind;

// The kind of each of the table's columns, in its header's order.
const Kind kTableKinds[] = {
    // offspring, loci_typed, mothers_scored, fathers_scored
    Kind::Offspring, Kind::Count, Kind::Count, Kind::Count,
    // the mother, then the father: who, LOD, delta, mismatches, near, in_sphere, call
    Kind::Parent, Kind::Number, Kind::Number, Kind::Count, Kind::Count, Kind::YesNo, Kind::Call,
    Kind::Parent, Kind::Number, Kind::Number, Kind::Count, Kind::Count, Kind::YesNo, Kind::Call,
    // the pair: mother, father, LOD, delta, mismatches, call, in_fam
    Kind::Parent, Kind::Parent, Kind::Number, Kind::Number, Kind::Count, Kind::Call, Kind::YesNo,
    // families
    Kind::Count,
    // each role's posterior and runner-up (the pair's runner-up in two cells)
    Kind::Number, Kind::Parent, Kind::Number, Kind::Parent, Kind::Number, Kind::Parent,
    Kind::Parent,
    // max_mismatches
    Kind::Count,
};

// The table's columns, named by its header line; a header of other columns
// than the kinds above stops the run rather than mislabel a column.
std::vector<TableColumn> tableColumns() {
  constexpr size_t kColumns = sizeof kTableKinds / sizeof kTableKinds[0];
  std::vector<std::string> names(1);
  for (const char* c = kTableHeader; *c != '\0'; ++c) {
    if (*c == '\t') {
      names.emplace_back();
    } else if (*c != '\n') {
      names.back() += *c;
    }
  }
  if (names.size() != kColumns) {
    throw std::logic_error("the ranked table's columns are not the ones the R package knows");
  }
  std::vector<TableColumn> columns;
  for (size_t at = 0; at < kColumns; ++at) columns.push_back({names[at], kTableKinds[at], {}, {}});
  return columns;
}

}  // namespace

struct ResultColumns::Piece : BlockPiece {
  std::unique_ptr<BlockPiece> ranking;  // the ranked table's piece
  CandidateColumns candidates;
  FamilyColumns families;
  std::vector<size_t> familyCounts;  // per offspring heard, in order
  bool consistent = true;
};

class ResultColumns::Worker : public OffspringWorker {
 public:
  explicit Worker(ResultColumns& owner) : owner_(owner), ranking_(owner.ranked_.newWorker()) {}

  std::unique_ptr<BlockPiece> newPiece() override {
    auto piece = std::make_unique<Piece>();
    piece->ranking = ranking_->newPiece();
    return piece;
  }

  void offspringDone(const OffspringOutcome& outcome, BlockPiece& piece) override {
    Piece& out = static_cast<Piece&>(piece);
    ranking_->offspringDone(outcome, *out.ranking);
    const int son = static_cast<int>(outcome.offspring) + 1;
    const int32_t radius = owner_.radius_;
    // Parent.out's order: mothers then fathers, Included then SemiIncluded.
    for (const bool mothers : {true, false}) {
      for (const SphereList list : {SphereList::Included, SphereList::SemiIncluded}) {
        for (const SphereHit& hit : outcome.hits) {
          if ((hit.row < owner_.motherCount_) != mothers) continue;
          const SpherePlace place = placeInSpheres(hit.near, hit.far, radius, radius);
          if (place.list != list) continue;
          CandidateColumns& c = out.candidates;
          c.offspring.push_back(son);
          c.parent.push_back(hit.row + 1);
          c.sex.push_back(mothers ? 1 : 2);
          c.tag.push_back(list == SphereList::Included ? 1 : place.totalMatch ? 2 : 3);
          c.near.push_back(hit.near);
          c.far.push_back(hit.far);
        }
      }
    }
    // Fam.out's order: each ranked mother with every compatible ranked father.
    const OffspringPairing& pairing = outcome.pairing;
    const size_t mothers = pairing.mothers.size();
    const bool sonMarked = owner_.sonMissing_[outcome.offspring];
    size_t count = 0;
    for (size_t m = 0; m < mothers; ++m) {
      const int32_t mother = pairing.mothers[m];
      for (size_t f = 0; f < pairing.fathers.size(); ++f) {
        if (!pairing.masks.compatible(m, mothers + f)) continue;
        const int32_t father = pairing.fathers[f];
        FamilyColumns& families = out.families;
        families.offspring.push_back(son);
        families.mother.push_back(mother + 1);
        families.father.push_back(father + 1);
        families.marked.push_back(sonMarked ||
                                  owner_.parentMissing_[static_cast<size_t>(mother)] ||
                                  owner_.parentMissing_[static_cast<size_t>(father)]);
        ++count;
      }
    }
    if (count != outcome.families) out.consistent = false;
    out.familyCounts.push_back(count);
  }

 private:
  ResultColumns& owner_;
  std::unique_ptr<OffspringWorker> ranking_;
};

ResultColumns::ResultColumns(const std::vector<bool>& parentMissing,
                             const std::vector<bool>& sonMissing, int32_t motherCount,
                             int32_t radius, RankedTable& rankedTable, int missing,
                             double missingNumber)
    : table(tableColumns()),
      parentMissing_(parentMissing),
      sonMissing_(sonMissing),
      motherCount_(motherCount),
      radius_(radius),
      ranked_(rankedTable),
      missing_(missing),
      missingNumber_(missingNumber) {
  ranked_.tellRankings(this);
}

std::unique_ptr<OffspringWorker> ResultColumns::newWorker() {
  return std::make_unique<Worker>(*this);
}

namespace {

template <typename T>
void appendAndClear(std::vector<T>& to, std::vector<T>& from) {
  to.insert(to.end(), from.begin(), from.end());
  from.clear();
}

}  // namespace

void ResultColumns::blockDone(BlockPiece& piece) {
  Piece& in = static_cast<Piece&>(piece);
  CandidateColumns& c = in.candidates;
  appendAndClear(candidates.offspring, c.offspring);
  appendAndClear(candidates.parent, c.parent);
  appendAndClear(candidates.sex, c.sex);
  appendAndClear(candidates.tag, c.tag);
  appendAndClear(candidates.near, c.near);
  appendAndClear(candidates.far, c.far);
  size_t from = families.mother.size();
  for (const size_t count : in.familyCounts) {
    familyFrom_.push_back(from);
    from += count;
  }
  in.familyCounts.clear();
  FamilyColumns& f = in.families;
  appendAndClear(families.offspring, f.offspring);
  appendAndClear(families.mother, f.mother);
  appendAndClear(families.father, f.father);
  appendAndClear(families.marked, f.marked);
  consistent_ = consistent_ && in.consistent;
  in.consistent = true;
  // The rankings of these offspring come now, their families already here.
  ranked_.blockDone(*in.ranking);
}

void ResultColumns::ranked(size_t offspring, const OffspringRanking& ranking, double /*minDelta*/) {
  std::vector<TableColumn>::iterator column = table.begin();
  const auto whole = [&](int value) { (column++)->whole.push_back(value); };
  const auto row = [&](int32_t parentRow) { whole(parentRow >= 0 ? parentRow + 1 : missing_); };
  // The number the table's cell shows, read as R reads that cell, so these
  // values are those of the program's table read into R, to the last bit.
  const auto number = [&](void (*text)(std::string&, double), double value) {
    cell_.clear();
    text(cell_, value);
    (column++)->number.push_back(R_strtod(cell_.c_str(), nullptr));
  };
  const auto none = [&](size_t cells) {
    for (size_t i = 0; i < cells; ++i, ++column) {
      if (column->kind == Kind::Number) {
        column->number.push_back(missingNumber_);
      } else {
        column->whole.push_back(missing_);
      }
    }
  };
  const auto call = [&](Call value) { whole(static_cast<int>(value) + 1); };
  const auto parentCells = [&](const BestCandidate& best, int32_t who, bool known) {
    if (!best.found) return none(7);
    row(who);
    number(appendFixed, best.lod);
    number(appendFixed, best.delta);
    whole(best.mismatches);
    whole(best.near);
    whole(best.near <= radius_);
    call(known ? Call::Known : best.call);
  };
  const auto posterior = [&](const BestCandidate& best) {
    if (best.found) return number(appendPosterior, best.posterior);
    none(1);
  };

  const size_t from = familyFrom_[offspring];
  const size_t to =
      offspring + 1 < familyFrom_.size() ? familyFrom_[offspring + 1] : families.mother.size();
  whole(static_cast<int>(offspring) + 1);
  whole(ranking.lociTyped);
  whole(ranking.mothersScored);
  whole(ranking.fathersScored);
  parentCells(ranking.mother, ranking.mother.mother, ranking.knownMother);
  parentCells(ranking.father, ranking.father.father, false);
  const BestCandidate& pair = ranking.pair;
  if (pair.found) {
    bool inFam = false;
    for (size_t at = from; at < to && !inFam; ++at) {
      inFam = families.mother[at] == pair.mother + 1 && families.father[at] == pair.father + 1;
    }
    row(pair.mother);
    row(pair.father);
    number(appendFixed, pair.lod);
    number(appendFixed, pair.delta);
    whole(pair.mismatches);
    call(pair.call);
    whole(inFam);
  } else {
    none(7);
  }
  whole(static_cast<int>(to - from));
  posterior(ranking.mother);
  row(ranking.mother.runnerUpMother);
  posterior(ranking.father);
  row(ranking.father.runnerUpFather);
  posterior(pair);
  row(pair.runnerUpMother);
  row(pair.runnerUpFather);
  whole(ranking.maxMismatches);
}
