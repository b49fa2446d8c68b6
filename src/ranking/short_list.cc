#include "ranking/short_list.h"

#include <algorithm>

#include "reports/number_text.h"

const char* const kShortListHeader =
    "offspring\trole\tcandidate\tlod\tmismatches\tnear\tin_sphere\trank\n";

void ShortList::add(std::string& out, size_t row, const OffspringRanker& ranker,
                    const TableLabels& labels) {
  addRole(out, row, "mother", ranker.scoredMothers(), ranker, labels);
  addRole(out, row, "father", ranker.scoredFathers(), ranker, labels);
}

void ShortList::addRole(std::string& out, size_t row, const char* role,
                        const std::vector<OffspringRanker::Scored>& scored,
                        const OffspringRanker& ranker, const TableLabels& labels) {
  const size_t kept = std::min(top_, scored.size());
  best_.resize(kept);
  std::partial_sort_copy(scored.begin(), scored.end(), best_.begin(), best_.end(),
                         [](const OffspringRanker::Scored& x, const OffspringRanker::Scored& y) {
                           return x.lod > y.lod || (x.lod == y.lod && x.row < y.row);
                         });
  for (size_t rank = 0; rank < kept; ++rank) {
    const OffspringRanker::Scored& s = best_[rank];
    const int32_t near = ranker.nearDistance(s.row);
    labels.appendOffspring(out, row);
    out += '\t';
    out += role;
    out += '\t';
    labels.appendParent(out, s.row);
    out += '\t';
    appendFixed(out, s.lod);
    out += '\t';
    appendInt(out, s.mismatches);
    out += '\t';
    appendInt(out, near);
    out += near <= radius_ ? "\tyes\t" : "\tno\t";
    appendInt(out, static_cast<int64_t>(rank + 1));
    out += '\n';
  }
}
