// Sparse minimum-cost assignment (see assignment.h for the method and its
// invariants) and the two C entry points of linking.h.
#include "assignment.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <new>

#include "linking.h"

namespace linking {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Checks the compressed rows of an n_rows x n_cols problem.
bool ValidPattern(int n_rows, int n_cols, std::span<const int> row_start,
                  std::span<const int> columns, std::span<const double> costs) {
  if (n_rows < 0 || n_cols < 0 || row_start.size() != static_cast<size_t>(n_rows) + 1)
    return false;
  if (row_start[0] != 0 || columns.size() != costs.size() ||
      static_cast<size_t>(row_start[n_rows]) != columns.size())
    return false;
  for (int i = 0; i < n_rows; ++i)
    if (row_start[i + 1] < row_start[i]) return false;
  for (size_t k = 0; k < columns.size(); ++k)
    if (columns[k] < 0 || columns[k] >= n_cols || !std::isfinite(costs[k])) return false;
  return true;
}

}  // namespace

int AssignmentSolver::SolveSquare(int n, std::span<const int> row_start,
                                  std::span<const int> columns, std::span<const double> costs,
                                  std::vector<int>* row_to_column) {
  if (!ValidPattern(n, n, row_start, columns, costs)) return LINKING_ERR_ARGUMENT;
  phi_row_.assign(n, 0.0);
  phi_col_.assign(n, kInfinity);
  for (int i = 0; i < n; ++i)
    for (int k = row_start[i]; k < row_start[i + 1]; ++k)
      phi_col_[columns[k]] = std::min(phi_col_[columns[k]], costs[k]);
  // A column nobody may take makes the problem infeasible at once.
  for (int j = 0; j < n; ++j)
    if (phi_col_[j] == kInfinity) return LINKING_ERR_INFEASIBLE;
  row_of_col_.assign(n, -1);
  col_of_row_.assign(n, -1);
  dist_.assign(n, kInfinity);
  pred_.assign(n, -1);
  settled_.assign(n, 0);
  row_dist_.assign(n, 0.0);
  for (int r = 0; r < n; ++r)
    if (!Augment(r, n, row_start, columns, costs)) return LINKING_ERR_INFEASIBLE;
  row_to_column->assign(col_of_row_.begin(), col_of_row_.end());
  return LINKING_OK;
}

bool AssignmentSolver::Augment(int source, int n, std::span<const int> row_start,
                               std::span<const int> columns, std::span<const double> costs) {
  (void)n;
  touched_.clear();
  settled_rows_.clear();
  heap_.clear();
  const auto relax = [&](int row, double d) {
    for (int k = row_start[row]; k < row_start[row + 1]; ++k) {
      const int j = columns[k];
      if (settled_[j] || j == col_of_row_[row]) continue;
      // Rounding can leave a reduced cost a hair below 0; it is 0.
      const double nd = d + std::max(0.0, costs[k] + phi_row_[row] - phi_col_[j]);
      if (nd < dist_[j]) {
        if (dist_[j] == kInfinity) touched_.push_back(j);
        dist_[j] = nd;
        pred_[j] = row;
        heap_.emplace_back(nd, j);
        std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
      }
    }
  };
  row_dist_[source] = 0;
  settled_rows_.push_back(source);
  relax(source, 0);
  int free_col = -1;
  double reach = 0;  // distance D of the free column found
  while (!heap_.empty()) {
    std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
    const auto [d, j] = heap_.back();
    heap_.pop_back();
    if (settled_[j] || d > dist_[j]) continue;
    settled_[j] = 1;
    if (row_of_col_[j] < 0) {
      free_col = j;
      reach = d;
      break;
    }
    const int i = row_of_col_[j];
    row_dist_[i] = d;
    settled_rows_.push_back(i);
    relax(i, d);
  }
  if (free_col >= 0) {
    for (int j : touched_)
      if (settled_[j]) phi_col_[j] -= reach - dist_[j];
    for (int i : settled_rows_) phi_row_[i] -= reach - row_dist_[i];
    for (int j = free_col;;) {
      const int i = pred_[j];
      const int previous = col_of_row_[i];
      col_of_row_[i] = j;
      row_of_col_[j] = i;
      if (i == source) break;
      j = previous;
    }
  }
  for (int j : touched_) {
    dist_[j] = kInfinity;
    settled_[j] = 0;
  }
  return free_col >= 0;
}

int AssignmentSolver::SolvePartial(int rows, int cols, std::span<const int> row_start,
                                   std::span<const int> columns, std::span<const double> costs,
                                   double row_alone_cost, double column_alone_cost,
                                   std::vector<int>* row_to_column) {
  if (!ValidPattern(rows, cols, row_start, columns, costs) || !std::isfinite(row_alone_cost) ||
      !std::isfinite(column_alone_cost))
    return LINKING_ERR_ARGUMENT;
  const int n = rows + cols;
  const size_t admitted = columns.size();
  // Row i: its admitted pairs, then its alone column C + i.
  // Row R + j: column j alone, then the alone columns C + i of the rows that may take j.
  std::vector<int> per_column(cols, 0);
  for (size_t k = 0; k < admitted; ++k) ++per_column[columns[k]];
  big_start_.assign(n + 1, 0);
  for (int i = 0; i < rows; ++i) big_start_[i + 1] = big_start_[i] + (row_start[i + 1] - row_start[i]) + 1;
  for (int j = 0; j < cols; ++j) big_start_[rows + j + 1] = big_start_[rows + j] + per_column[j] + 1;
  big_columns_.resize(big_start_[n]);
  big_costs_.resize(big_start_[n]);
  std::vector<int> fill(big_start_.begin(), big_start_.end() - 1);
  for (int i = 0; i < rows; ++i) {
    for (int k = row_start[i]; k < row_start[i + 1]; ++k) {
      big_columns_[fill[i]] = columns[k];
      big_costs_[fill[i]++] = costs[k];
      const int alone_row = rows + columns[k];
      big_columns_[fill[alone_row]] = cols + i;
      big_costs_[fill[alone_row]++] = 0.0;
    }
    big_columns_[fill[i]] = cols + i;
    big_costs_[fill[i]++] = row_alone_cost;
  }
  for (int j = 0; j < cols; ++j) {
    big_columns_[fill[rows + j]] = j;
    big_costs_[fill[rows + j]++] = column_alone_cost;
  }
  const int rc = SolveSquare(n, big_start_, big_columns_, big_costs_, &big_assignment_);
  if (rc != LINKING_OK) return rc;  // cannot happen: the diagonal blocks are complete
  row_to_column->resize(rows);
  for (int i = 0; i < rows; ++i)
    (*row_to_column)[i] = big_assignment_[i] < cols ? big_assignment_[i] : -1;
  return LINKING_OK;
}

}  // namespace linking

namespace {

// Cost of row i's chosen pair in compressed rows (the cheapest, should a
// pair be listed twice).
double PairCost(const int* row_start, const int* columns, const double* costs, int row, int col) {
  double best = std::numeric_limits<double>::infinity();
  for (int k = row_start[row]; k < row_start[row + 1]; ++k)
    if (columns[k] == col) best = std::min(best, costs[k]);
  return best;
}

}  // namespace

extern "C" int LinkingSolveAssignment(int n, const int* row_start, const int* columns,
                                      const double* costs, int* row_to_column,
                                      double* total_cost) {
  if (n < 0 || !row_start || !row_to_column || (n > 0 && row_start[n] > 0 && (!columns || !costs)))
    return LINKING_ERR_ARGUMENT;
  try {
    const size_t nnz = n > 0 ? static_cast<size_t>(std::max(0, row_start[n])) : 0;
    linking::AssignmentSolver solver;
    std::vector<int> result;
    const int rc = solver.SolveSquare(n, {row_start, static_cast<size_t>(n) + 1},
                                      {columns, nnz}, {costs, nnz}, &result);
    if (rc != LINKING_OK) return rc;
    double total = 0;
    for (int i = 0; i < n; ++i) {
      row_to_column[i] = result[i];
      total += PairCost(row_start, columns, costs, i, result[i]);
    }
    if (total_cost) *total_cost = total;
    return LINKING_OK;
  } catch (const std::bad_alloc&) {
    return LINKING_ERR_MEMORY;
  }
}

extern "C" int LinkingSolvePartialAssignment(int rows, int cols, const int* row_start,
                                             const int* column_index, const double* costs,
                                             double row_alone_cost, double column_alone_cost,
                                             int* row_to_column, double* total_cost) {
  if (rows < 0 || cols < 0 || !row_start || (rows > 0 && !row_to_column) ||
      (rows > 0 && row_start[rows] > 0 && (!column_index || !costs)))
    return LINKING_ERR_ARGUMENT;
  try {
    const size_t nnz = rows > 0 ? static_cast<size_t>(std::max(0, row_start[rows])) : 0;
    linking::AssignmentSolver solver;
    std::vector<int> result;
    const int rc = solver.SolvePartial(rows, cols, {row_start, static_cast<size_t>(rows) + 1},
                                       {column_index, nnz}, {costs, nnz}, row_alone_cost,
                                       column_alone_cost, &result);
    if (rc != LINKING_OK) return rc;
    double total = 0;
    int taken = 0;
    for (int i = 0; i < rows; ++i) {
      row_to_column[i] = result[i];
      if (result[i] < 0) {
        total += row_alone_cost;
      } else {
        total += PairCost(row_start, column_index, costs, i, result[i]);
        ++taken;
      }
    }
    total += column_alone_cost * (cols - taken);
    if (total_cost) *total_cost = total;
    return LINKING_OK;
  } catch (const std::bad_alloc&) {
    return LINKING_ERR_MEMORY;
  }
}
