// Drawing a laid-out chart on a cairo context.
#pragma once

#include <cairo.h>

#include "layout.h"
#include "picture.h"

namespace chart {

// Draws `picture`, laid out as `layout`, on `cr`, whose user space is the
// widget's pixel space. Paints every pixel of the widget.
void RenderChart(cairo_t* cr, const ChartPicture& picture, const ChartLayout& layout);

// Maps data values to the pixel centres of the plot area: the axis minimum
// lies on the first pixel column (row) of the plot area, the maximum on the
// last, so that the frame lines and the extreme ticks coincide.
struct PlotMapping {
  double x0, x_scale;  // pixel x = x0 + (value - x_min) * x_scale
  double y0, y_scale;  // pixel y = y0 - (value - y_min) * y_scale
  double x_min, y_min; // data units at the plot's left and bottom edge

  PlotMapping(const Rect& plot, const AxisTicks& x, const AxisTicks& y);
  double X(double v) const { return x0 + (v - x_min) * x_scale; }
  double Y(double v) const { return y0 - (v - y_min) * y_scale; }
};

// The data value an axis line sits at for an origin placement.
double OriginValue(int placement, const AxisTicks& ticks);

}  // namespace chart
