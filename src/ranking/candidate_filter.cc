#include "ranking/candidate_filter.h"

#include <algorithm>

namespace {

void sortUnique(std::vector<int32_t>& values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
}

// True when the two sorted lists share a value.
bool meet(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  auto i = a.begin();
  auto j = b.begin();
  while (i != a.end() && j != b.end()) {
    if (*i == *j) return true;
    if (*i < *j) {
      ++i;
    } else {
      ++j;
    }
  }
  return false;
}

size_t countEmpty(const std::vector<std::vector<int32_t>>& lists) {
  return static_cast<size_t>(
      std::count_if(lists.begin(), lists.end(), [](const std::vector<int32_t>& l) { return l.empty(); }));
}

}  // namespace

CandidateFilter::CandidateFilter(size_t offspring, size_t parents)
    : offspringGroups_(offspring), parentGroups_(parents), excluded_(offspring) {}

void CandidateFilter::addOffspringGroup(size_t offspring, int32_t group) {
  grouped_ = true;
  offspringGroups_[offspring].push_back(group);
}

void CandidateFilter::addParentGroup(size_t parentRow, int32_t group) {
  grouped_ = true;
  parentGroups_[parentRow].push_back(group);
}

void CandidateFilter::exclude(size_t offspring, int32_t parentRow) {
  excluded_[offspring].push_back(parentRow);
}

void CandidateFilter::finish() {
  for (auto* lists : {&offspringGroups_, &parentGroups_, &excluded_}) {
    for (std::vector<int32_t>& list : *lists) sortUnique(list);
  }
}

bool CandidateFilter::allows(size_t offspring, int32_t parentRow) const {
  const std::vector<int32_t>& own = offspringGroups_[offspring];
  const std::vector<int32_t>& theirs = parentGroups_[static_cast<size_t>(parentRow)];
  if (!own.empty() && !theirs.empty() && !meet(own, theirs)) return false;
  const std::vector<int32_t>& out = excluded_[offspring];
  return !std::binary_search(out.begin(), out.end(), parentRow);
}

void CandidateFilter::keep(size_t offspring, std::vector<int32_t>& rows) const {
  rows.erase(std::remove_if(rows.begin(), rows.end(),
                            [this, offspring](int32_t row) { return !allows(offspring, row); }),
             rows.end());
}

size_t CandidateFilter::parentsWithoutGroup() const { return countEmpty(parentGroups_); }
size_t CandidateFilter::offspringWithoutGroup() const { return countEmpty(offspringGroups_); }
