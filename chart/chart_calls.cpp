// The calls on a chart widget besides its resources: set styles and the
// plot area query.
#include <cairo.h>

#include <cstdio>
#include <new>

#include "ChartP.h"
#include "layout.h"
#include "picture.h"

namespace {

bool IsChart(Widget w) { return w && XtIsSubclass(w, chartWidgetClass); }

ChartWidget AsChart(Widget w) { return reinterpret_cast<ChartWidget>(w); }

}  // namespace

extern "C" {

int ChartSetStyle(Widget w, int set, const ChartStyle* style) {
  static const char module[] = "ChartSetStyle";
  int rc = ChartOk;
  try {
    if (!IsChart(w)) {
      fprintf(stderr, "%s: not a chart widget\n", module);
      return ChartErrWidget;
    }
    if (!style || set < 0 || set >= CHART_MAX_SETS) {
      fprintf(stderr, "%s: %s\n", module, style ? "set out of range" : "no style");
      return ChartErrArgument;
    }
    if (const char* problem = chart::StyleProblem(*style)) {
      fprintf(stderr, "%s: set %d: %s\n", module, set, problem);
      return ChartErrArgument;
    }
    ChartWidget cw = AsChart(w);
    chart::SetStyle resolved = chart::DefaultStyle(set);
    resolved.line_pattern = style->line_pattern;
    resolved.fill_pattern = style->fill_pattern;
    resolved.line_width = style->line_width;
    resolved.point_symbol = style->point_symbol;
    resolved.point_size = style->point_size;
    if (style->line_color) {
      auto rgb = chart::WidgetColor(cw, style->line_color);
      if (!rgb) {
        fprintf(stderr, "%s: set %d: unknown line colour \"%s\"\n", module, set, style->line_color);
        return ChartErrColor;
      }
      resolved.line_color = *rgb;
      resolved.line_color_name = style->line_color;
    }
    resolved.point_color = resolved.line_color;
    if (style->point_color) {
      auto rgb = chart::WidgetColor(cw, style->point_color);
      if (!rgb) {
        fprintf(stderr, "%s: set %d: unknown point colour \"%s\"\n", module, set,
                style->point_color);
        return ChartErrColor;
      }
      resolved.point_color = *rgb;
      resolved.point_color_name = style->point_color;
    }
    auto& styles = cw->chart.state->styles;
    const auto index = static_cast<size_t>(set);
    while (styles.size() <= index) styles.push_back(chart::DefaultStyle(static_cast<int>(styles.size())));
    styles[index] = std::move(resolved);
    chart::Invalidate(cw);
  } catch (const std::bad_alloc&) {
    fprintf(stderr, "%s: out of memory\n", module);
    rc = ChartErrMemory;
  }
  return rc;
}

int ChartGetStyle(Widget w, int set, ChartStyle* style) {
  if (!IsChart(w)) return ChartErrWidget;
  if (!style || set < 0 || set >= CHART_MAX_SETS) return ChartErrArgument;
  const auto& styles = AsChart(w)->chart.state->styles;
  const auto index = static_cast<size_t>(set);
  if (index >= styles.size()) {
    const chart::SetStyle d = chart::DefaultStyle(set);
    *style = ChartStyle{d.line_pattern, d.fill_pattern, nullptr, d.line_width,
                        d.point_symbol, nullptr, d.point_size};
    return ChartOk;
  }
  const chart::SetStyle& s = styles[index];
  style->line_pattern = s.line_pattern;
  style->fill_pattern = s.fill_pattern;
  style->line_color = s.line_color_name.empty() ? nullptr : s.line_color_name.c_str();
  style->line_width = s.line_width;
  style->point_symbol = s.point_symbol;
  style->point_color = s.point_color_name.empty() ? nullptr : s.point_color_name.c_str();
  style->point_size = s.point_size;
  return ChartOk;
}

int ChartGetPlotArea(Widget w, int* x, int* y, int* width, int* height) {
  if (!IsChart(w)) return ChartErrWidget;
  if (!x || !y || !width || !height) return ChartErrArgument;
  int rc = ChartOk;
  try {
    chart::ChartPicture picture;
    chart::FillPicture(AsChart(w), picture);
    // Text is measured the same on any surface; a tiny image one needs no server.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    const chart::ChartLayout layout = chart::ComputeLayout(cr, picture);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    *x = static_cast<int>(layout.plot.x);
    *y = static_cast<int>(layout.plot.y);
    *width = layout.has_plot ? static_cast<int>(layout.plot.w) : 0;
    *height = layout.has_plot ? static_cast<int>(layout.plot.h) : 0;
  } catch (const std::bad_alloc&) {
    rc = ChartErrMemory;
  }
  return rc;
}

}  // extern "C"
