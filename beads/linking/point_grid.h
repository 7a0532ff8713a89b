// A uniform grid of cells over a set of points, for finding the points near
// a query position. Built in linear time (counting sort into cells); the
// cell count is bounded by about twice the number of points, so that
// building one grid per frame stays cheap however large the image is.
//
// Invariant: order_[cell_begin_[c] .. cell_begin_[c+1]) lists the points of
// cell c, in increasing point order.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

namespace linking {

class PointGrid {
 public:
  // Indexes points (x[k], y[k]), k < count, with cells of at least `cell`.
  void Build(const double* x, const double* y, int count, double cell);

  // Calls visit(k, dx, dy) for every point k with |p_k - q| <= radius, where
  // (dx, dy) = p_k - q. radius must not exceed the cell size given to Build
  // by much for the query to stay cheap; it is correct for any radius.
  template <typename Visit>
  void ForEachNear(double qx, double qy, double radius, Visit&& visit) const {
    if (count_ == 0) return;
    const int c0 = Clamp(static_cast<int>(std::floor((qx - radius - x0_) / cell_)), cols_);
    const int c1 = Clamp(static_cast<int>(std::floor((qx + radius - x0_) / cell_)), cols_);
    const int r0 = Clamp(static_cast<int>(std::floor((qy - radius - y0_) / cell_)), rows_);
    const int r1 = Clamp(static_cast<int>(std::floor((qy + radius - y0_) / cell_)), rows_);
    const double r2 = radius * radius;
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) {
        const int cell = r * cols_ + c;
        for (int k = cell_begin_[cell]; k < cell_begin_[cell + 1]; ++k) {
          const int p = order_[k];
          const double dx = x_[p] - qx, dy = y_[p] - qy;
          if (dx * dx + dy * dy <= r2) visit(p, dx, dy);
        }
      }
    }
  }

 private:
  static int Clamp(int v, int n) { return std::min(std::max(v, 0), n - 1); }

  const double* x_ = nullptr;  // point coordinates (caller's arrays)
  const double* y_ = nullptr;
  int count_ = 0;              // number of points
  double x0_ = 0, y0_ = 0;     // lower corner of the grid
  double cell_ = 1;            // cell side
  int cols_ = 1, rows_ = 1;    // grid size in cells
  std::vector<int> cell_begin_;  // first entry of each cell in order_, cols*rows + 1
  std::vector<int> order_;       // point indices sorted by cell
  std::vector<int> fill_;        // scratch of Build: next free slot of each cell
};

inline void PointGrid::Build(const double* x, const double* y, int count, double cell) {
  x_ = x;
  y_ = y;
  count_ = count;
  if (count == 0) return;
  double x_min = x[0], x_max = x[0], y_min = y[0], y_max = y[0];
  for (int k = 1; k < count; ++k) {
    x_min = std::min(x_min, x[k]);
    x_max = std::max(x_max, x[k]);
    y_min = std::min(y_min, y[k]);
    y_max = std::max(y_max, y[k]);
  }
  x0_ = x_min;
  y0_ = y_min;
  const double width = x_max - x_min, height = y_max - y_min;
  // At most about 2 * count + 16 cells: widen the cells when the points are
  // spread thinly.
  const double limit = 2.0 * count + 16.0;
  cell_ = std::max(cell, 1e-9);
  if ((width / cell_ + 1) * (height / cell_ + 1) > limit)
    cell_ = std::max(cell_, std::sqrt(std::max(width * height, 1e-18) / limit) * 1.5);
  while ((std::floor(width / cell_) + 1) * (std::floor(height / cell_) + 1) > limit) cell_ *= 1.5;
  cols_ = static_cast<int>(std::floor(width / cell_)) + 1;
  rows_ = static_cast<int>(std::floor(height / cell_)) + 1;
  const int cells = cols_ * rows_;
  cell_begin_.assign(cells + 1, 0);
  order_.resize(count);
  auto cell_of = [&](int k) {
    const int c = Clamp(static_cast<int>((x[k] - x0_) / cell_), cols_);
    const int r = Clamp(static_cast<int>((y[k] - y0_) / cell_), rows_);
    return r * cols_ + c;
  };
  for (int k = 0; k < count; ++k) ++cell_begin_[cell_of(k) + 1];
  for (int c = 0; c < cells; ++c) cell_begin_[c + 1] += cell_begin_[c];
  fill_.assign(cell_begin_.begin(), cell_begin_.end() - 1);
  for (int k = 0; k < count; ++k) order_[fill_[cell_of(k)]++] = k;
}

}  // namespace linking
