// Chooses links among candidate pairs by exact minimum-cost assignment,
// solving each connected group of candidates on its own: a bead far from
// every other bead forms a group of one candidate, so the global optimum
// over a frame costs little more than its groups of neighbouring beads.
//
// Rows and columns are the two sides (events of the earlier and later frame,
// or chain ends and chain starts); every row and every column may also stay
// unlinked at its alone cost.
#pragma once

#include <vector>

#include "assignment.h"

namespace linking {

struct Candidate {
  int row;      // row id, 0 .. rows-1
  int col;      // column id, 0 .. cols-1
  double cost;  // cost of linking them
};

class ComponentAssigner {
 public:
  // Returns LINKING_OK and the chosen (row, col) pairs in *chosen, or an
  // error status. The candidates are reordered.
  int Solve(std::vector<Candidate>& candidates, int rows, int cols, double row_alone,
            double col_alone, std::vector<std::pair<int, int>>* chosen);

 private:
  int Find(int v);

  AssignmentSolver solver_;
  std::vector<int> parent_;               // union-find over rows then columns
  std::vector<int> local_row_, local_col_;  // id inside the current group, -1 unset
  std::vector<int> rows_of_group_, cols_of_group_;
  std::vector<int> row_start_, columns_;
  std::vector<double> costs_;
  std::vector<int> assignment_;
  std::vector<int> root_of_;              // group root of each candidate
};

}  // namespace linking
