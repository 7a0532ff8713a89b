// Everything one drawing of a chart depends on, gathered from the widget
// into plain values so that layout and rendering need no X server: the same
// code draws on the widget's pixmap, on an image surface in the benchmark
// and measures text for the layout tests.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "chart.h"
#include "chart_data.h"
#include "colors.h"
#include "cairo_font.h"
#include "set_style.h"

namespace chart {

struct ChartPicture {
  int width = 0;                              // pixels
  int height = 0;                             // pixels
  Rgb background{0.85, 0.85, 0.85};           // whole widget, plot area included
  int border = ChartBorderNone;               // ChartBorder
  std::span<const std::string> headers;       // lines above the plot, top first
  std::string_view x_title;                   // below the X axis; empty = none
  std::string_view y_title;                   // beside the Y axis; empty = none
  int y_title_rotation = ChartRotate90;       // ChartRotation
  int x_origin = ChartOriginAuto;             // where the Y axis line sits (ChartOriginPlacement)
  int y_origin = ChartOriginAuto;             // where the X axis line sits
  bool legend = false;                        // draw the legend box
  CairoFont axis_font = DefaultFont(FontRole::kAxis);      // tick labels and titles
  CairoFont header_font = DefaultFont(FontRole::kHeader);  // header lines
  CairoFont legend_font = DefaultFont(FontRole::kLegend);  // legend entries
  const ChartData* data = nullptr;            // not owned; null = no data
  std::span<const SetStyle> styles;           // styles[n] for set n; missing = default
};

}  // namespace chart
