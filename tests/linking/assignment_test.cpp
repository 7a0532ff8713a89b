// The assignment solver against brute force: every permutation (square
// problems) or every partial matching (problems with alone costs) of small
// random sparse matrices, plus the malformed inputs it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "beads.h"
#include "linking.h"

namespace {

constexpr double kNone = std::numeric_limits<double>::infinity();

// A dense matrix with kNone for pairs that are not admitted, and its
// compressed rows.
struct Problem {
  int rows = 0, cols = 0;
  std::vector<std::vector<double>> cost;
  std::vector<int> row_start, columns;
  std::vector<double> values;

  void Compress() {
    row_start.assign(1, 0);
    columns.clear();
    values.clear();
    for (int i = 0; i < rows; ++i) {
      for (int j = 0; j < cols; ++j) {
        if (cost[i][j] == kNone) continue;
        columns.push_back(j);
        values.push_back(cost[i][j]);
      }
      row_start.push_back(static_cast<int>(columns.size()));
    }
  }
};

Problem RandomProblem(int rows, int cols, double density, BeadsRng* rng) {
  Problem p;
  p.rows = rows;
  p.cols = cols;
  p.cost.assign(rows, std::vector<double>(cols, kNone));
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j)
      if (BeadsRngUniform(rng) < density)
        // Integers make ties common, which is where solvers go wrong.
        p.cost[i][j] = std::floor(25 * BeadsRngUniform(rng)) - 5;
  p.Compress();
  return p;
}

// Cheapest complete assignment by trying every permutation; kNone if none.
double BruteForceSquare(const Problem& p) {
  std::vector<int> perm(p.cols);
  std::iota(perm.begin(), perm.end(), 0);
  double best = kNone;
  do {
    double total = 0;
    for (int i = 0; i < p.rows && total != kNone; ++i) total += p.cost[i][perm[i]];
    best = std::min(best, total);
  } while (std::next_permutation(perm.begin(), perm.end()));
  return best;
}

// Cheapest partial matching by recursion over the rows.
double BruteForcePartial(const Problem& p, double row_alone, double col_alone, int row,
                         std::vector<char>& used, int taken) {
  if (row == p.rows) return col_alone * (p.cols - taken);
  double best = row_alone + BruteForcePartial(p, row_alone, col_alone, row + 1, used, taken);
  for (int j = 0; j < p.cols; ++j) {
    if (used[j] || p.cost[row][j] == kNone) continue;
    used[j] = 1;
    best = std::min(best, p.cost[row][j] +
                              BruteForcePartial(p, row_alone, col_alone, row + 1, used, taken + 1));
    used[j] = 0;
  }
  return best;
}

TEST(AssignmentTest, SquareProblemsMatchBruteForce) {
  struct Case {
    int n;
    double density;
  };
  const Case cases[] = {{1, 1.0}, {2, 1.0}, {3, 0.7}, {4, 1.0}, {4, 0.5},
                        {5, 0.6}, {6, 0.45}, {6, 1.0}, {7, 0.4}, {7, 0.8}};
  for (const Case& c : cases) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
      BeadsRng rng;
      BeadsRngSeed(&rng, seed, static_cast<uint64_t>(c.n * 100 + c.density * 10));
      const Problem p = RandomProblem(c.n, c.n, c.density, &rng);
      const double expected = BruteForceSquare(p);
      std::vector<int> assignment(c.n, -7);
      double total = 0;
      const int rc = LinkingSolveAssignment(c.n, p.row_start.data(), p.columns.data(),
                                            p.values.data(), assignment.data(), &total);
      SCOPED_TRACE(testing::Message() << "n " << c.n << " density " << c.density << " seed " << seed);
      if (expected == kNone) {
        EXPECT_EQ(rc, LINKING_ERR_INFEASIBLE);
        continue;
      }
      ASSERT_EQ(rc, LINKING_OK);
      EXPECT_DOUBLE_EQ(total, expected);
      // A permutation over admitted pairs whose cost is the reported total.
      std::vector<char> seen(c.n, 0);
      double recomputed = 0;
      for (int i = 0; i < c.n; ++i) {
        ASSERT_GE(assignment[i], 0);
        ASSERT_LT(assignment[i], c.n);
        EXPECT_FALSE(seen[assignment[i]]);
        seen[assignment[i]] = 1;
        ASSERT_NE(p.cost[i][assignment[i]], kNone);
        recomputed += p.cost[i][assignment[i]];
      }
      EXPECT_DOUBLE_EQ(recomputed, expected);
    }
  }
}

TEST(AssignmentTest, PartialProblemsMatchBruteForce) {
  struct Case {
    int rows, cols;
    double density, row_alone, col_alone;
  };
  const Case cases[] = {{0, 3, 1.0, 5, 7},    {3, 0, 1.0, 5, 7},   {1, 1, 1.0, 4, 4},
                        {3, 4, 0.6, 10, 10},  {5, 3, 0.5, 3, 12},  {5, 5, 0.4, 8, 8},
                        {6, 6, 0.5, 0.5, 0.5}, {6, 5, 0.8, 20, 1}, {4, 6, 0.3, -2, 6}};
  for (const Case& c : cases) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
      BeadsRng rng;
      BeadsRngSeed(&rng, seed, static_cast<uint64_t>(c.rows * 10 + c.cols));
      const Problem p = RandomProblem(c.rows, c.cols, c.density, &rng);
      std::vector<char> used(c.cols, 0);
      const double expected = BruteForcePartial(p, c.row_alone, c.col_alone, 0, used, 0);
      std::vector<int> assignment(std::max(c.rows, 1), -7);
      double total = 0;
      ASSERT_EQ(LinkingSolvePartialAssignment(c.rows, c.cols, p.row_start.data(),
                                              p.columns.data(), p.values.data(), c.row_alone,
                                              c.col_alone, assignment.data(), &total),
                LINKING_OK);
      SCOPED_TRACE(testing::Message() << c.rows << "x" << c.cols << " seed " << seed);
      EXPECT_NEAR(total, expected, 1e-9);
      std::vector<char> seen(c.cols, 0);
      double recomputed = 0;
      int taken = 0;
      for (int i = 0; i < c.rows; ++i) {
        if (assignment[i] < 0) {
          EXPECT_EQ(assignment[i], -1);
          recomputed += c.row_alone;
          continue;
        }
        ASSERT_LT(assignment[i], c.cols);
        EXPECT_FALSE(seen[assignment[i]]);
        seen[assignment[i]] = 1;
        ASSERT_NE(p.cost[i][assignment[i]], kNone);
        recomputed += p.cost[i][assignment[i]];
        ++taken;
      }
      recomputed += c.col_alone * (c.cols - taken);
      EXPECT_NEAR(recomputed, expected, 1e-9);
    }
  }
}

TEST(AssignmentTest, RefusesMalformedProblems) {
  const int start[] = {0, 1, 2};
  const int good_columns[] = {0, 1};
  const int bad_columns[] = {0, 2};
  const double good_costs[] = {1, 2};
  const double bad_costs[] = {1, std::nan("")};
  const int bad_start[] = {0, 2, 1};
  int out[2];
  EXPECT_EQ(LinkingSolveAssignment(2, start, good_columns, good_costs, out, nullptr), LINKING_OK);
  EXPECT_EQ(LinkingSolveAssignment(2, start, bad_columns, good_costs, out, nullptr),
            LINKING_ERR_ARGUMENT);
  EXPECT_EQ(LinkingSolveAssignment(2, start, good_columns, bad_costs, out, nullptr),
            LINKING_ERR_ARGUMENT);
  EXPECT_EQ(LinkingSolveAssignment(2, bad_start, good_columns, good_costs, out, nullptr),
            LINKING_ERR_ARGUMENT);
  EXPECT_EQ(LinkingSolveAssignment(-1, start, good_columns, good_costs, out, nullptr),
            LINKING_ERR_ARGUMENT);
  EXPECT_EQ(LinkingSolvePartialAssignment(2, 2, start, good_columns, good_costs, kNone, 1, out,
                                          nullptr),
            LINKING_ERR_ARGUMENT);
  // Both rows admit only column 0: no complete assignment.
  const int only_zero[] = {0, 0};
  EXPECT_EQ(LinkingSolveAssignment(2, start, only_zero, good_costs, out, nullptr),
            LINKING_ERR_INFEASIBLE);
}

TEST(AssignmentTest, LastRowForcesOneLongAugmentingPath) {
  // Row i < n-1 admits column i (cost 0) and column i+1 (cost 1); the last
  // row admits only column 0. Rows take their free diagonal first; the last
  // row then has to push every other row one column to the right, along a
  // path through all n rows. The unique optimum costs n - 1.
  const int n = 500;
  std::vector<int> start{0}, columns;
  std::vector<double> costs;
  for (int i = 0; i < n - 1; ++i) {
    columns.insert(columns.end(), {i, i + 1});
    costs.insert(costs.end(), {0.0, 1.0});
    start.push_back(static_cast<int>(columns.size()));
  }
  columns.push_back(0);
  costs.push_back(0.0);
  start.push_back(static_cast<int>(columns.size()));
  std::vector<int> assignment(n);
  double total = -1;
  ASSERT_EQ(LinkingSolveAssignment(n, start.data(), columns.data(), costs.data(),
                                   assignment.data(), &total),
            LINKING_OK);
  EXPECT_EQ(total, n - 1.0);
  for (int i = 0; i < n - 1; ++i) EXPECT_EQ(assignment[i], i + 1);
  EXPECT_EQ(assignment[n - 1], 0);
}

}  // namespace
