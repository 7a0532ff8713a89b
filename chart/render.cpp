// Chart rendering on cairo (see render.h). Drawing order, back to front:
// background, border, header lines, grid, data sets (clipped to the plot
// area), plot frame, axis lines, ticks and labels, titles, legend.
//
// Tick marks and their labels always run along the left and bottom edges of
// the plot area; the origin placements decide where the axis lines cross the
// plot (at the minimum they lie on those edges). Crisp one-pixel lines sit on
// pixel centres (x.5). Each set is drawn straight from the stored points with
// no per-point allocation: sparse curves are stroked, dense ones (more points
// than pixel columns) filled as the band they cover (see line_geometry.h).
#include "render.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "line_geometry.h"
#include "text.h"

namespace chart {

namespace {

const Rgb kInk{0, 0, 0};                      // text, axis lines and ticks
constexpr double kFillAlpha = 0.3;            // opacity of filled areas under a line
constexpr double kHairline = 0.75;            // what line width 0 draws, pixels
constexpr size_t kStrokePiece = 8;            // segments per stroked piece of a solid curve

void SetColor(cairo_t* cr, const Rgb& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void DrawBorder(cairo_t* cr, const ChartPicture& pic) {
  if (pic.border == ChartBorderNone) return;
  const double w = pic.width, h = pic.height, b = kBorderWidth;
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (pic.border == ChartBorderPlain) {
    SetColor(cr, BorderShadow(pic.background));
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_stroke(cr);
  } else {
    const bool raised = pic.border == ChartBorder3DRaised;
    // Top and left edges.
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, w, 0);
    cairo_line_to(cr, w - b, b);
    cairo_line_to(cr, b, b);
    cairo_line_to(cr, b, h - b);
    cairo_line_to(cr, 0, h);
    cairo_close_path(cr);
    SetColor(cr, raised ? BorderLight(pic.background) : BorderShadow(pic.background));
    cairo_fill(cr);
    // Bottom and right edges.
    cairo_move_to(cr, w, 0);
    cairo_line_to(cr, w, h);
    cairo_line_to(cr, 0, h);
    cairo_line_to(cr, b, h - b);
    cairo_line_to(cr, w - b, h - b);
    cairo_line_to(cr, w - b, b);
    cairo_close_path(cr);
    SetColor(cr, raised ? BorderShadow(pic.background) : BorderLight(pic.background));
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

// Left edge for text of width `w` centred on `centre`, kept inside the
// widget's padding where it fits.
double CentredLeft(double centre, double w, double inset, double widget_width) {
  double x = centre - w / 2;
  x = std::min(x, widget_width - inset - w);
  return std::max(x, std::min(inset, centre - w / 2));
}

void DrawHeaders(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L) {
  if (pic.headers.empty()) return;
  UseFont(cr, pic.header_font);
  SetColor(cr, kInk);
  const double centre = L.has_plot ? L.plot.x + L.plot.w / 2 : pic.width / 2.0;
  for (size_t i = 0; i < pic.headers.size() && i < L.header_baselines.size(); ++i) {
    const double w = TextWidth(cr, pic.headers[i]);
    cairo_move_to(cr, CentredLeft(centre, w, L.inset, pic.width), L.header_baselines[i]);
    cairo_show_text(cr, pic.headers[i].c_str());
  }
}

void SetDash(cairo_t* cr, int pattern, double width) {
  const double u = std::max(1.0, width);
  switch (pattern) {
    case ChartLineLongDash: {
      const double d[] = {10 * u, 5 * u};
      cairo_set_dash(cr, d, 2, 0);
      break;
    }
    case ChartLineDotted: {
      // Zero-length dashes with round caps are dots.
      const double d[] = {0, 2.5 * u};
      cairo_set_dash(cr, d, 2, 0);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      break;
    }
    case ChartLineShortDash: {
      const double d[] = {4 * u, 4 * u};
      cairo_set_dash(cr, d, 2, 0);
      break;
    }
    case ChartLineDashDot: {
      const double d[] = {8 * u, 3 * u, 1 * u, 3 * u};
      cairo_set_dash(cr, d, 4, 0);
      break;
    }
    default:
      cairo_set_dash(cr, nullptr, 0, 0);
      break;
  }
}

// Sets line width, joins, caps, dashes and colour of `style` on `cr`.
void UseLineStyle(cairo_t* cr, const SetStyle& style) {
  const double width = style.line_width > 0 ? style.line_width : kHairline;
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // Solid curves are stroked in pieces; round caps join the pieces seamlessly.
  cairo_set_line_cap(cr, style.line_pattern == ChartLineSolid ? CAIRO_LINE_CAP_ROUND
                                                              : CAIRO_LINE_CAP_BUTT);
  SetDash(cr, style.line_pattern, width);
  SetColor(cr, style.line_color);
}

// Strokes the current path in the style of a set (the legend's samples).
void StrokeStyleLine(cairo_t* cr, const SetStyle& style) {
  cairo_save(cr);
  UseLineStyle(cr, style);
  cairo_stroke(cr);
  cairo_restore(cr);
}

// Adds the outline of one point symbol centred on (x, y) to the path.
void AddSymbol(cairo_t* cr, int symbol, double x, double y, double r) {
  switch (symbol) {
    case ChartPointDot:
    case ChartPointCircle:
      cairo_new_sub_path(cr);
      cairo_arc(cr, x, y, r, 0, 2 * std::numbers::pi);
      break;
    case ChartPointBox:
      cairo_rectangle(cr, x - r, y - r, 2 * r, 2 * r);
      break;
    case ChartPointTriangle:
      cairo_move_to(cr, x, y - r);
      cairo_line_to(cr, x + r, y + r);
      cairo_line_to(cr, x - r, y + r);
      cairo_close_path(cr);
      break;
    case ChartPointDiamond:
      cairo_move_to(cr, x, y - r);
      cairo_line_to(cr, x + r, y);
      cairo_line_to(cr, x, y + r);
      cairo_line_to(cr, x - r, y);
      cairo_close_path(cr);
      break;
    case ChartPointCross:
      cairo_move_to(cr, x - r, y - r);
      cairo_line_to(cr, x + r, y + r);
      cairo_move_to(cr, x + r, y - r);
      cairo_line_to(cr, x - r, y + r);
      break;
    default:
      break;
  }
}

// Outlined symbols are stroked, the others filled.
bool SymbolIsOutline(int symbol) { return symbol == ChartPointCross || symbol == ChartPointCircle; }

double SymbolRadius(const SetStyle& style) { return std::max(1.5, 1.0 + style.point_size); }

// Strokes the polyline through `points`. A solid line goes in pieces of
// kStrokePiece segments: the rasteriser resolves crossings within a path,
// which for long zigzagging curves costs far more than the pieces' joints.
// Dashed lines stay one path so that their pattern runs on.
void StrokeCurve(cairo_t* cr, const PlotMapping& m, std::span<const Point> points,
                 const SetStyle& style) {
  const size_t piece = style.line_pattern == ChartLineSolid ? kStrokePiece : points.size();
  cairo_save(cr);
  UseLineStyle(cr, style);
  for (size_t first = 0; first + 1 < points.size(); first += piece) {
    const size_t last = std::min(points.size() - 1, first + piece);
    cairo_move_to(cr, m.X(points[first].x), m.Y(points[first].y));
    for (size_t i = first + 1; i <= last; ++i) cairo_line_to(cr, m.X(points[i].x), m.Y(points[i].y));
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

// Fills the band a dense solid curve covers: in each pixel column from its
// highest to its lowest point, widened by half the line width. One
// rectangle per column: pixel-aligned boxes are the cheapest thing cairo
// fills, and at this density they are exactly the pixels the curve covers.
void FillBand(cairo_t* cr, std::span<const ColumnSpan> spans, const SetStyle& style) {
  const double half = std::max(1.0, static_cast<double>(style.line_width)) / 2;
  cairo_new_path(cr);
  for (const ColumnSpan& c : spans)
    cairo_rectangle(cr, c.column, c.top - half, 1, c.bottom - c.top + 2 * half);
  SetColor(cr, style.line_color);
  cairo_fill(cr);
}

void DrawSet(cairo_t* cr, const PlotMapping& m, double plot_width, std::span<const Point> points,
             const SetStyle& style, double fill_base_y, std::vector<ColumnSpan>& spans) {
  const bool line = style.line_pattern != ChartLineNone && points.size() >= 2;
  const bool fill = style.fill_pattern == ChartFillSolid && points.size() >= 2;
  if (fill) {
    cairo_new_path(cr);
    cairo_move_to(cr, m.X(points[0].x), fill_base_y);
    for (const Point& p : points) cairo_line_to(cr, m.X(p.x), m.Y(p.y));
    cairo_line_to(cr, m.X(points.back().x), fill_base_y);
    cairo_close_path(cr);
    const Rgb& c = style.line_color;
    cairo_set_source_rgba(cr, c.r, c.g, c.b, kFillAlpha);
    cairo_fill(cr);
  }
  if (line) {
    if (style.line_pattern == ChartLineSolid && IsDense(points.size(), plot_width) &&
        ColumnSpans(points, m, spans))
      FillBand(cr, spans, style);
    else
      StrokeCurve(cr, m, points, style);
  }
  if (style.point_symbol != ChartPointNone) {
    const double r = SymbolRadius(style);
    cairo_new_path(cr);
    for (const Point& p : points) AddSymbol(cr, style.point_symbol, m.X(p.x), m.Y(p.y), r);
    SetColor(cr, style.point_color);
    if (SymbolIsOutline(style.point_symbol)) {
      cairo_set_line_width(cr, 1.25);
      cairo_set_dash(cr, nullptr, 0, 0);
      cairo_stroke(cr);
    } else {
      cairo_fill(cr);
    }
  }
}

void DrawGrid(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L, const PlotMapping& m) {
  cairo_save(cr);
  SetColor(cr, GridColor(pic.background));
  cairo_set_line_width(cr, 1);
  for (int i = 1; i < L.x_ticks.intervals; ++i) {
    const double x = std::floor(m.X(L.x_ticks.Tick(i))) + 0.5;
    cairo_move_to(cr, x, L.plot.y);
    cairo_line_to(cr, x, L.plot.bottom());
  }
  for (int i = 1; i < L.y_ticks.intervals; ++i) {
    const double y = std::floor(m.Y(L.y_ticks.Tick(i))) + 0.5;
    cairo_move_to(cr, L.plot.x, y);
    cairo_line_to(cr, L.plot.right(), y);
  }
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawAxes(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L, const PlotMapping& m) {
  cairo_save(cr);
  cairo_set_line_width(cr, 1);
  // Frame in a quiet shade, axis lines in ink on top of it.
  SetColor(cr, BorderShadow(pic.background));
  cairo_rectangle(cr, L.plot.x + 0.5, L.plot.y + 0.5, L.plot.w - 1, L.plot.h - 1);
  cairo_stroke(cr);
  SetColor(cr, kInk);
  const double y_axis_x = std::floor(m.X(OriginValue(pic.x_origin, L.x_ticks))) + 0.5;
  const double x_axis_y = std::floor(m.Y(OriginValue(pic.y_origin, L.y_ticks))) + 0.5;
  cairo_move_to(cr, y_axis_x, L.plot.y);
  cairo_line_to(cr, y_axis_x, L.plot.bottom());
  cairo_move_to(cr, L.plot.x, x_axis_y);
  cairo_line_to(cr, L.plot.right(), x_axis_y);
  // Ticks outside the left and bottom edges.
  const double left = L.plot.x + 0.5, bottom = L.plot.bottom() - 0.5;
  for (int i = 0; i <= L.x_ticks.intervals; ++i) {
    const double x = std::floor(m.X(L.x_ticks.Tick(i))) + 0.5;
    cairo_move_to(cr, x, bottom);
    cairo_line_to(cr, x, bottom + kTickLength);
  }
  for (int i = 0; i <= L.y_ticks.intervals; ++i) {
    const double y = std::floor(m.Y(L.y_ticks.Tick(i))) + 0.5;
    cairo_move_to(cr, left, y);
    cairo_line_to(cr, left - kTickLength, y);
  }
  cairo_stroke(cr);

  const FontMetrics am = UseFont(cr, pic.axis_font);
  for (int i = 0; i <= L.x_ticks.intervals && i < static_cast<int>(L.x_labels.size()); ++i) {
    const std::string& label = L.x_labels[static_cast<size_t>(i)];
    cairo_move_to(cr, m.X(L.x_ticks.Tick(i)) - TextWidth(cr, label) / 2, L.x_label_baseline);
    cairo_show_text(cr, label.c_str());
  }
  const double centre_to_baseline = (am.ascent - am.descent) / 2;
  for (int i = 0; i <= L.y_ticks.intervals && i < static_cast<int>(L.y_labels.size()); ++i) {
    const std::string& label = L.y_labels[static_cast<size_t>(i)];
    cairo_move_to(cr, L.y_label_right - TextWidth(cr, label), m.Y(L.y_ticks.Tick(i)) + centre_to_baseline);
    cairo_show_text(cr, label.c_str());
  }
  cairo_restore(cr);
}

void DrawTitles(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L) {
  UseFont(cr, pic.axis_font);
  SetColor(cr, kInk);
  if (!pic.x_title.empty()) {
    const std::string title(pic.x_title);
    const double w = TextWidth(cr, title);
    cairo_move_to(cr, CentredLeft(L.plot.x + L.plot.w / 2, w, L.inset, pic.width), L.x_title_baseline);
    cairo_show_text(cr, title.c_str());
  }
  if (!pic.y_title.empty()) {
    const std::string title(pic.y_title);
    const double w = TextWidth(cr, title);
    const double centre = L.plot.y + L.plot.h / 2;
    cairo_save(cr);
    if (pic.y_title_rotation == ChartRotate90) {
      cairo_translate(cr, L.y_title_x, centre + w / 2);
      cairo_rotate(cr, -std::numbers::pi / 2);
      cairo_move_to(cr, 0, 0);
    } else if (pic.y_title_rotation == ChartRotate270) {
      cairo_translate(cr, L.y_title_x, centre - w / 2);
      cairo_rotate(cr, std::numbers::pi / 2);
      cairo_move_to(cr, 0, 0);
    } else {
      cairo_move_to(cr, L.y_title_x, L.y_title_baseline);
    }
    cairo_show_text(cr, title.c_str());
    cairo_restore(cr);
  }
}

void DrawLegend(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L) {
  if (L.legend.w <= 0 || L.legend.h <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, L.legend.x, L.legend.y, L.legend.w, L.legend.h);
  cairo_clip(cr);
  cairo_rectangle(cr, L.legend.x + 0.5, L.legend.y + 0.5, L.legend.w - 1, L.legend.h - 1);
  SetColor(cr, Mix(pic.background, Rgb{1, 1, 1}, 0.5));
  cairo_fill_preserve(cr);
  SetColor(cr, BorderShadow(pic.background));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  const FontMetrics lm = UseFont(cr, pic.legend_font);
  SetStyle scratch;
  double row_top = L.legend.y + kLegendPadding;
  for (int n : L.legend_sets) {
    const SetStyle& style = StyleForSet(pic.styles, n, scratch);
    const double mid = row_top + L.legend_row / 2;
    const double x0 = L.legend.x + kLegendPadding;
    if (style.line_pattern != ChartLineNone) {
      cairo_move_to(cr, x0, mid);
      cairo_line_to(cr, x0 + kLegendSample, mid);
      StrokeStyleLine(cr, style);
    }
    if (style.point_symbol != ChartPointNone) {
      AddSymbol(cr, style.point_symbol, x0 + kLegendSample / 2, mid, SymbolRadius(style));
      SetColor(cr, style.point_color);
      if (SymbolIsOutline(style.point_symbol)) {
        cairo_set_line_width(cr, 1.25);
        cairo_stroke(cr);
      } else {
        cairo_fill(cr);
      }
    }
    SetColor(cr, kInk);
    cairo_move_to(cr, x0 + kLegendSample + kLegendPadding, mid + (lm.ascent - lm.descent) / 2);
    cairo_show_text(cr, ("Set " + std::to_string(n)).c_str());
    row_top += L.legend_row;
  }
  cairo_restore(cr);
}

}  // namespace

PlotMapping::PlotMapping(const Rect& plot, const AxisTicks& x, const AxisTicks& y)
    : x0(plot.x + 0.5),
      x_scale((plot.w - 1) / (x.axis_max - x.axis_min)),
      y0(plot.bottom() - 0.5),
      y_scale((plot.h - 1) / (y.axis_max - y.axis_min)),
      x_min(x.axis_min),
      y_min(y.axis_min) {}

double OriginValue(int placement, const AxisTicks& ticks) {
  switch (placement) {
    case ChartOriginMin:
      return ticks.axis_min;
    case ChartOriginMax:
      return ticks.axis_max;
    case ChartOriginZero:
      return std::clamp(0.0, ticks.axis_min, ticks.axis_max);
    default:  // ChartOriginAuto
      return ticks.axis_min <= 0 && ticks.axis_max >= 0 ? 0.0 : ticks.axis_min;
  }
}

void RenderChart(cairo_t* cr, const ChartPicture& pic, const ChartLayout& L) {
  cairo_save(cr);
  SetColor(cr, pic.background);
  cairo_paint(cr);
  DrawBorder(cr, pic);
  DrawHeaders(cr, pic, L);
  if (L.has_plot) {
    const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
    DrawGrid(cr, pic, L, m);
    if (pic.data) {
      cairo_save(cr);
      cairo_rectangle(cr, L.plot.x, L.plot.y, L.plot.w, L.plot.h);
      cairo_clip(cr);
      const double fill_base = m.Y(OriginValue(pic.y_origin, L.y_ticks));
      SetStyle scratch;
      std::vector<ColumnSpan> spans;  // reused by every dense set
      spans.reserve(static_cast<size_t>(L.plot.w) + 2);
      for (size_t n = 0; n < pic.data->sets.size(); ++n) {
        const auto points = pic.data->Set(n);
        if (points.empty()) continue;
        DrawSet(cr, m, L.plot.w, points, StyleForSet(pic.styles, static_cast<int>(n), scratch),
                fill_base, spans);
      }
      cairo_restore(cr);
    }
    DrawAxes(cr, pic, L, m);
    DrawTitles(cr, pic, L);
  }
  DrawLegend(cr, pic, L);
  cairo_restore(cr);
}

}  // namespace chart
