// Validation and defaults of set styles (see set_style.h).
#include "set_style.h"

namespace chart {

namespace {

constexpr int kMaxLineWidth = 100;  // pixels
constexpr int kMaxPointSize = 100;  // pixels

// Ten colours that stay apart from each other on light backgrounds.
constexpr Rgb kPalette[] = {
    {0.12, 0.47, 0.71}, {1.00, 0.50, 0.05}, {0.17, 0.63, 0.17}, {0.84, 0.15, 0.16},
    {0.58, 0.40, 0.74}, {0.55, 0.34, 0.29}, {0.89, 0.47, 0.76}, {0.50, 0.50, 0.50},
    {0.74, 0.74, 0.13}, {0.09, 0.75, 0.81},
};

}  // namespace

const char* StyleProblem(const ChartStyle& style) {
  if (style.line_pattern < ChartLineNone || style.line_pattern > ChartLineDashDot)
    return "unknown line pattern";
  if (style.fill_pattern < ChartFillNone || style.fill_pattern > ChartFillSolid)
    return "unknown fill pattern";
  if (style.point_symbol < ChartPointNone || style.point_symbol > ChartPointCircle)
    return "unknown point symbol";
  if (style.line_width < 0 || style.line_width > kMaxLineWidth) return "line width outside 0..100";
  if (style.point_size < 0 || style.point_size > kMaxPointSize) return "point size outside 0..100";
  return nullptr;
}

SetStyle DefaultStyle(int n) {
  SetStyle s;
  const int count = static_cast<int>(std::size(kPalette));
  s.line_color = kPalette[((n % count) + count) % count];
  s.point_color = s.line_color;
  return s;
}

const SetStyle& StyleForSet(std::span<const SetStyle> styles, int n, SetStyle& scratch) {
  if (n >= 0 && static_cast<size_t>(n) < styles.size()) return styles[static_cast<size_t>(n)];
  scratch = DefaultStyle(n);
  return scratch;
}

}  // namespace chart
