// Exact minimum-cost assignment on sparse cost matrices.
//
// Square problem: n rows, n columns, a list of admitted (row, column, cost)
// pairs in compressed rows. The solver assigns rows one at a time along
// shortest augmenting paths (the augmentation of the Jonker-Volgenant
// method, here with a heap over the admitted pairs only):
//
//   potentials  phi_row, phi_col with reduced cost
//               rc(i, j) = cost(i, j) + phi_row[i] - phi_col[j]
//   invariants  (1) rc >= 0 for every admitted pair;
//               (2) rc == 0 for every assigned pair.
//
// From a free row, Dijkstra's search over reduced costs (forward along
// admitted pairs, backward along assigned ones at cost 0) finds the nearest
// free column; the path is flipped and the potentials of the settled nodes
// are lowered by (D - their distance), which keeps (1) and (2). After n
// augmentations the assignment is optimal (the potentials prove it).
//
// Partial problem: rows and columns may stay alone at fixed costs. It is
// turned into a square one of size rows + columns:
//
//                 columns 0..C-1            alone columns C..C+R-1
//   rows 0..R-1   cost(i, j) where admitted  row_alone on the diagonal
//   alone rows    column_alone on diagonal   0 where (i, j) is admitted
//
// (the lower right block is the transpose of the admitted pattern, so the
// alone row of a taken column can always pair with the alone column of the
// row that took it). Its optimum costs exactly the chosen pairs plus the
// alone costs.
#pragma once

#include <span>
#include <vector>

namespace linking {

class AssignmentSolver {
 public:
  // Square problem; row_start has n + 1 entries. Returns LINKING_OK or
  // LINKING_ERR_INFEASIBLE. *row_to_column gets n entries.
  int SolveSquare(int n, std::span<const int> row_start, std::span<const int> columns,
                  std::span<const double> costs, std::vector<int>* row_to_column);

  // Partial problem; *row_to_column gets `rows` entries (column or -1).
  int SolvePartial(int rows, int cols, std::span<const int> row_start,
                   std::span<const int> columns, std::span<const double> costs,
                   double row_alone_cost, double column_alone_cost,
                   std::vector<int>* row_to_column);

 private:
  bool Augment(int source, int n, std::span<const int> row_start, std::span<const int> columns,
               std::span<const double> costs);

  // Scratch, kept between calls so that the many small problems of a run
  // allocate nothing after the first few.
  std::vector<double> phi_row_, phi_col_;  // potentials
  std::vector<int> row_of_col_;            // row assigned to each column, -1 free
  std::vector<int> col_of_row_;            // column assigned to each row, -1 free
  std::vector<double> dist_;               // tentative distance of each column
  std::vector<int> pred_;                  // row from which each column was reached
  std::vector<char> settled_;              // column popped from the heap
  std::vector<int> touched_;               // columns given a distance this search
  std::vector<int> settled_rows_;          // rows reached this search
  std::vector<double> row_dist_;           // distance of each reached row
  std::vector<std::pair<double, int>> heap_;
  // Partial problem, expanded.
  std::vector<int> big_start_, big_columns_;
  std::vector<double> big_costs_;
  std::vector<int> big_assignment_;
};

}  // namespace linking
