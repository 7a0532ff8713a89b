// Group-wise exact assignment of candidate links (see component_assigner.h).
#include "component_assigner.h"

#include <algorithm>
#include <numeric>

#include "linking.h"

namespace linking {

int ComponentAssigner::Find(int v) {
  while (parent_[v] != v) {
    parent_[v] = parent_[parent_[v]];
    v = parent_[v];
  }
  return v;
}

int ComponentAssigner::Solve(std::vector<Candidate>& candidates, int rows, int cols,
                             double row_alone, double col_alone,
                             std::vector<std::pair<int, int>>* chosen) {
  chosen->clear();
  if (candidates.empty()) return LINKING_OK;
  parent_.resize(static_cast<size_t>(rows) + cols);
  // Only the nodes that candidates touch need a parent.
  for (const Candidate& c : candidates) {
    parent_[c.row] = c.row;
    parent_[rows + c.col] = rows + c.col;
  }
  for (const Candidate& c : candidates) {
    const int a = Find(c.row), b = Find(rows + c.col);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }
  const size_t n = candidates.size();
  root_of_.resize(n);
  for (size_t k = 0; k < n; ++k) root_of_[k] = Find(candidates[k].row);
  // Sort by group, then by row, so that each group's rows are contiguous.
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (root_of_[a] != root_of_[b]) return root_of_[a] < root_of_[b];
    if (candidates[a].row != candidates[b].row) return candidates[a].row < candidates[b].row;
    return candidates[a].col < candidates[b].col;
  });
  local_row_.resize(rows, -1);
  local_col_.resize(cols, -1);
  for (size_t g0 = 0; g0 < n;) {
    size_t g1 = g0;
    while (g1 < n && root_of_[order[g1]] == root_of_[order[g0]]) ++g1;
    if (g1 - g0 == 1) {
      // A lone candidate: linking it costs its cost, leaving both alone
      // costs the two alone costs.
      const Candidate& c = candidates[order[g0]];
      if (c.cost < row_alone + col_alone) chosen->emplace_back(c.row, c.col);
      g0 = g1;
      continue;
    }
    rows_of_group_.clear();
    cols_of_group_.clear();
    row_start_.clear();
    columns_.clear();
    costs_.clear();
    row_start_.push_back(0);
    for (size_t k = g0; k < g1; ++k) {
      const Candidate& c = candidates[order[k]];
      if (local_row_[c.row] < 0) {
        if (!rows_of_group_.empty()) row_start_.push_back(static_cast<int>(columns_.size()));
        local_row_[c.row] = static_cast<int>(rows_of_group_.size());
        rows_of_group_.push_back(c.row);
      }
      if (local_col_[c.col] < 0) {
        local_col_[c.col] = static_cast<int>(cols_of_group_.size());
        cols_of_group_.push_back(c.col);
      }
      columns_.push_back(local_col_[c.col]);
      costs_.push_back(c.cost);
    }
    row_start_.push_back(static_cast<int>(columns_.size()));
    const int rc = solver_.SolvePartial(static_cast<int>(rows_of_group_.size()),
                                        static_cast<int>(cols_of_group_.size()), row_start_,
                                        columns_, costs_, row_alone, col_alone, &assignment_);
    for (int r : rows_of_group_) local_row_[r] = -1;
    for (int c : cols_of_group_) local_col_[c] = -1;
    if (rc != LINKING_OK) return rc;
    for (size_t r = 0; r < rows_of_group_.size(); ++r)
      if (assignment_[r] >= 0) chosen->emplace_back(rows_of_group_[r], cols_of_group_[assignment_[r]]);
    g0 = g1;
  }
  return LINKING_OK;
}

}  // namespace linking
