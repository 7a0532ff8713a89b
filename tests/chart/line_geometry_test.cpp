// Per-column extents of dense curves: exact for the segments they come
// from, connected from column to column, refused for curves turning back.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "line_geometry.h"

namespace chart {
namespace {

// A mapping with one data unit per pixel: X(v) = v + 0.5, Y(v) = 999.5 - v.
PlotMapping UnitMapping() {
  AxisTicks x, y;
  x.axis_min = y.axis_min = 0;
  x.axis_max = y.axis_max = 999;
  return PlotMapping(Rect{0, 0, 1000, 1000}, x, y);
}

TEST(ColumnSpans, CoverEachColumnWithTheHeightsTheLineReachesThere) {
  const PlotMapping m = UnitMapping();
  struct Case {
    const char* what;
    std::vector<Point> points;
    std::vector<ColumnSpan> spans;
  } cases[] = {
      {"one point", {{10, 500}}, {{10, 499.5, 499.5}}},
      {"flat line over three columns", {{10, 500}, {12, 500}},
       {{10, 499.5, 499.5}, {11, 499.5, 499.5}, {12, 499.5, 499.5}}},
      // From (10.5, 999.5) to (11.5, 899.5): crosses x = 11 at y 949.5.
      {"steep step into the next column", {{10, 0}, {11, 100}},
       {{10, 949.5, 999.5}, {11, 899.5, 949.5}}},
      {"many points in one column", {{10, 0}, {10.2f, 50}, {10.3f, -20}, {10.4f, 10}},
       {{10, 949.5, 1019.5}}},
      // From (0.5, 999.5) to (4.5, 959.5): -10 per column, boundaries at 1..4.
      {"jump over columns", {{0, 0}, {4, 40}},
       {{0, 994.5, 999.5}, {1, 984.5, 994.5}, {2, 974.5, 984.5}, {3, 964.5, 974.5}, {4, 959.5, 964.5}}},
  };
  std::vector<ColumnSpan> spans;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(ColumnSpans(c.points, m, spans));
    ASSERT_EQ(spans.size(), c.spans.size());
    for (size_t i = 0; i < spans.size(); ++i) {
      EXPECT_EQ(spans[i].column, c.spans[i].column) << i;
      EXPECT_NEAR(spans[i].top, c.spans[i].top, 1e-3) << i;
      EXPECT_NEAR(spans[i].bottom, c.spans[i].bottom, 1e-3) << i;
    }
  }
}

TEST(ColumnSpans, RefuseCurvesThatTurnBack) {
  const PlotMapping m = UnitMapping();
  std::vector<ColumnSpan> spans;
  const std::vector<Point> loop = {{0, 0}, {10, 10}, {5, 20}, {20, 0}};
  EXPECT_FALSE(ColumnSpans(loop, m, spans));
  const std::vector<Point> repeated_x = {{0, 0}, {5, 10}, {5, 20}, {20, 0}};
  EXPECT_TRUE(ColumnSpans(repeated_x, m, spans));
}

// Any x-monotonic curve: the columns run without gaps from the first to the
// last point, and every point along every segment lies inside the span of
// its column.
TEST(ColumnSpans, ContainEveryPointOfRandomCurves) {
  const PlotMapping m = UnitMapping();
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> dx(0, 3), y(0, 900);
  std::vector<ColumnSpan> spans;
  for (int trial = 0; trial < 200; ++trial) {
    std::vector<Point> points;
    float x = 0;
    for (int i = 0; i < 300; ++i) {
      points.push_back({x, y(rng)});
      x += dx(rng);
    }
    ASSERT_TRUE(ColumnSpans(points, m, spans));
    const int first = static_cast<int>(std::floor(m.X(points.front().x)));
    ASSERT_EQ(spans.front().column, first);
    for (size_t i = 1; i < spans.size(); ++i) ASSERT_EQ(spans[i].column, spans[i - 1].column + 1);
    for (size_t i = 1; i < points.size(); ++i) {
      for (int k = 0; k <= 16; ++k) {
        const double t = k / 16.0;
        const double px = m.X(points[i - 1].x) + t * (m.X(points[i].x) - m.X(points[i - 1].x));
        const double py = m.Y(points[i - 1].y) + t * (m.Y(points[i].y) - m.Y(points[i - 1].y));
        const ColumnSpan& s = spans[static_cast<size_t>(static_cast<int>(std::floor(px)) - first)];
        ASSERT_GE(py, s.top - 1e-6);
        ASSERT_LE(py, s.bottom + 1e-6);
      }
    }
  }
}

TEST(ColumnSpans, DensityDecidesBetweenBandAndStroke) {
  EXPECT_FALSE(IsDense(500, 700));
  EXPECT_FALSE(IsDense(1399, 700));
  EXPECT_TRUE(IsDense(1400, 700));
  EXPECT_TRUE(IsDense(10000, 700));
  EXPECT_FALSE(IsDense(10000, 0));
}

}  // namespace
}  // namespace chart
