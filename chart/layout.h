// Where everything of a chart goes for a given size, data and fonts.
//
// The widget is divided from the outside in: border and padding, header lines
// at the top, the X title and the X tick labels at the bottom, the Y title and
// the Y tick labels at the left, the legend (when shown) at the right, and
// what is left is the plot area. Tick counts follow the room the plot area
// has and the size of the labels, so labels never overlap and never leave
// the widget. All coordinates are widget pixels, origin top left.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "picture.h"
#include "ticks.h"

namespace chart {

struct Rect {
  double x = 0;  // left edge, pixels
  double y = 0;  // top edge, pixels
  double w = 0;  // width, pixels
  double h = 0;  // height, pixels
  double right() const { return x + w; }
  double bottom() const { return y + h; }
};

struct ChartLayout {
  double inset = 0;                    // border plus padding on every side, pixels
  std::vector<double> header_baselines;  // baseline of each header line
  bool has_plot = false;               // false when the widget is too small for axes
  Rect plot;                           // plot area, whole pixels
  AxisTicks x_ticks;                   // ticks along the X axis
  AxisTicks y_ticks;                   // ticks along the Y axis
  std::vector<std::string> x_labels;   // text of x tick i
  std::vector<std::string> y_labels;   // text of y tick i
  double x_label_baseline = 0;         // baseline of the X tick labels
  double y_label_right = 0;            // right edge of the Y tick labels
  double x_title_baseline = 0;         // baseline of the X title
  double y_title_x = 0;                // rotated: baseline x; horizontal: left edge
  double y_title_baseline = 0;         // horizontal Y title only: its baseline
  Rect legend;                         // legend box (w == 0 when there is none)
  double legend_row = 0;               // height of one legend entry, pixels
  std::vector<int> legend_sets;        // sets listed in the legend, top first
};

// Width of the border when there is one, pixels.
inline constexpr double kBorderWidth = 3;

// Length of the tick marks outside the plot area, pixels.
inline constexpr double kTickLength = 6;

// Room inside the legend box around its entries, and the length of the line
// sample in front of each entry, pixels.
inline constexpr double kLegendPadding = 8;
inline constexpr double kLegendSample = 28;

// Plot area smaller than this (either way) is not drawn, pixels.
inline constexpr double kMinPlotSide = 16;

// Lays out `picture`, measuring text on `cr` (any cairo context will do; its
// font state is changed).
ChartLayout ComputeLayout(cairo_t* cr, const ChartPicture& picture);

// The data range the axes must cover: all points, or 0..1 without data.
Bounds DataRange(const ChartPicture& picture);

}  // namespace chart
