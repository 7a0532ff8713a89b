// Turning a set's points into what is cheap to draw.
//
// A curve with more points than its plot has pixel columns covers, in every
// column, the pixels between the lowest and the highest point the line
// reaches there. Stroking thousands of steep, crossing segments is slow
// (each is rasterised on its own and the crossings are resolved), while the
// same pixels are one polygon: the band between the per-column extremes.
// Dense curves whose x never decreases are therefore drawn as that band; the
// others are stroked.
#pragma once

#include <span>
#include <vector>

#include "chart_data.h"
#include "render.h"

namespace chart {

// The vertical extent of a curve in one pixel column.
struct ColumnSpan {
  int column;    // pixel column, widget x
  double top;    // smallest pixel y the line reaches in the column
  double bottom; // largest pixel y
};

// True when `points` should be drawn as a band: at least `kDensePerColumn`
// points per pixel column of the plot.
bool IsDense(std::size_t points, double plot_width);
inline constexpr double kDensePerColumn = 2.0;

// Per-column extents of the polyline through `points` mapped by `m`, left to
// right, written into `spans` (cleared first; its capacity is reused). A
// segment that crosses into other columns counts in each of them with the
// heights where it enters and leaves, so the spans of neighbouring columns
// always meet. Returns false, leaving `spans` unusable,
// when x decreases somewhere (the curve turns back and a band would fill
// the loop).
bool ColumnSpans(std::span<const Point> points, const PlotMapping& m,
                 std::vector<ColumnSpan>& spans);

}  // namespace chart
