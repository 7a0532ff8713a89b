// The resolved style of one data set (colours already turned into RGB) and
// the rules for valid styles and default styles.
#pragma once

#include <span>
#include <string>

#include "chart.h"
#include "colors.h"

namespace chart {

struct SetStyle {
  int line_pattern = ChartLineSolid;  // ChartLinePattern
  int fill_pattern = ChartFillNone;   // ChartFillPattern
  std::string line_color_name;        // as given; empty = palette colour
  Rgb line_color;                     // what the line and fill are drawn in
  int line_width = 1;                 // pixels; 0 draws a hairline
  int point_symbol = ChartPointNone;  // ChartPointSymbol
  std::string point_color_name;       // as given; empty = the line colour
  Rgb point_color;                    // what symbols are drawn in
  int point_size = 3;                 // symbol half-size, pixels
};

// Why a ChartStyle is not acceptable, or nullptr when it is. Colour names are
// not judged here (that needs the display).
const char* StyleProblem(const ChartStyle& style);

// The style of set `n` when none was given: a solid 1 pixel line in the
// n-th colour of a palette of ten well separated colours.
SetStyle DefaultStyle(int n);

// The style set `n` draws with: the given one, or the default.
const SetStyle& StyleForSet(std::span<const SetStyle> styles, int n, SetStyle& scratch);

}  // namespace chart
