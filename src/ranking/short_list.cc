#include "ranking/short_list.h"

#include <algorithm>

#include "reports/number_text.h"

const char* const kShortListHeader =
    "offspring\trole\tcandidate\tlod\tmismatches\tnear\tin_sphere\trank\n";

void ShortList::start(ReportSink& sink) {
  sink_ = &sink;
  text_ = kShortListHeader;
}

void ShortList::add(size_t row, const OffspringRanker& ranker, const TableLabels& labels) {
  addRole(row, "mother", ranker.scoredMothers(), ranker, labels);
  addRole(row, "father", ranker.scoredFathers(), ranker, labels);
  sink_->flushIfLarge(text_);
}

void ShortList::addRole(size_t row, const char* role,
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
    labels.appendOffspring(text_, row);
    text_ += '\t';
    text_ += role;
    text_ += '\t';
    labels.appendParent(text_, s.row);
    text_ += '\t';
    appendFixed(text_, s.lod);
    text_ += '\t';
    appendInt(text_, s.mismatches);
    text_ += '\t';
    appendInt(text_, near);
    text_ += near <= radius_ ? "\tyes\t" : "\tno\t";
    appendInt(text_, static_cast<int64_t>(rank + 1));
    text_ += '\n';
  }
}

bool ShortList::close() {
  sink_->write(text_);
  return sink_->close();
}
