// Per-column extents of dense curves (see line_geometry.h).
#include "line_geometry.h"

#include <algorithm>
#include <cmath>

namespace chart {

bool IsDense(std::size_t points, double plot_width) {
  return plot_width > 0 && static_cast<double>(points) >= kDensePerColumn * plot_width;
}

bool ColumnSpans(std::span<const Point> points, const PlotMapping& m,
                 std::vector<ColumnSpan>& spans) {
  spans.clear();
  if (points.empty()) return true;
  auto add = [&spans](int column, double y) {
    if (spans.empty() || spans.back().column != column) {
      spans.push_back({column, y, y});
    } else {
      spans.back().top = std::min(spans.back().top, y);
      spans.back().bottom = std::max(spans.back().bottom, y);
    }
  };
  double prev_x = m.X(points[0].x), prev_y = m.Y(points[0].y);
  int prev_col = static_cast<int>(std::floor(prev_x));
  add(prev_col, prev_y);
  for (size_t i = 1; i < points.size(); ++i) {
    if (points[i].x < points[i - 1].x) return false;
    const double x = m.X(points[i].x), y = m.Y(points[i].y);
    const int col = static_cast<int>(std::floor(x));
    // A segment reaches, in each column it passes, the heights between
    // where it enters and where it leaves: add its height at every column
    // boundary it crosses to the columns on both sides.
    for (int boundary = prev_col + 1; boundary <= col; ++boundary) {
      const double t = (boundary - prev_x) / (x - prev_x);
      const double y_at = prev_y + t * (y - prev_y);
      add(boundary - 1, y_at);
      add(boundary, y_at);
    }
    add(col, y);
    prev_x = x;
    prev_y = y;
    prev_col = col;
  }
  return true;
}

}  // namespace chart
