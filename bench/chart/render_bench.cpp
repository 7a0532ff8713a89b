// How long one redraw of a vibration chart takes: the widget lays out and
// renders the whole picture on every redraw, so this is the time a chart
// needs after repainting is switched on. Ten track sets of N frames plus the
// two limit lines, anti-aliased, 800x400 pixels, on a cairo image surface
// (the same drawing code the widget runs on its pixmap).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>

#include "chart.h"
#include "chart_data.h"
#include "layout.h"
#include "picture.h"
#include "render.h"
#include "set_style.h"

namespace {

void RedrawVibrationChart(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  ChartData* data = ChartDataCreate(12);
  for (int t = 0; t < 10; ++t)
    for (int f = 0; f < frames; ++f)
      ChartDataAppendPoint(data, t, f, 8 * std::sin(0.9 * f + t) + 3 * std::sin(0.37 * f * (t + 1)));
  ChartDataAppendPoint(data, 10, 0, 9);
  ChartDataAppendPoint(data, 10, frames, 9);
  ChartDataAppendPoint(data, 11, 0, -9);
  ChartDataAppendPoint(data, 11, frames, -9);
  std::vector<chart::SetStyle> styles;
  for (int n = 0; n < 12; ++n) {
    chart::SetStyle s = chart::DefaultStyle(n);
    s.line_width = n < 10 ? 1 : 3;
    styles.push_back(s);
  }
  const std::vector<std::string> headers = {"X Movement Per Frame: X Vibration = 16.38 nm"};
  chart::ChartPicture picture;
  picture.width = 800;
  picture.height = 400;
  picture.background = chart::Rgb{217 / 255.0, 217 / 255.0, 217 / 255.0};
  picture.border = ChartBorder3DRaised;
  picture.headers = headers;
  picture.x_title = "Frame Number";
  picture.y_title = "Vibration (nm)";
  picture.x_origin = picture.y_origin = ChartOriginMin;
  picture.axis_font.pixel_size = 18;
  picture.header_font.pixel_size = 18;
  picture.data = data;
  picture.styles = styles;

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 400);
  for (auto _ : state) {
    cairo_t* cr = cairo_create(surface);
    const chart::ChartLayout layout = chart::ComputeLayout(cr, picture);
    chart::RenderChart(cr, picture, layout);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    benchmark::ClobberMemory();
  }
  state.counters["points_per_second"] =
      benchmark::Counter(10.0 * frames * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(std::to_string(10 * frames) + " points per redraw");
  cairo_surface_destroy(surface);
  ChartDataDestroy(data);
}

BENCHMARK(RedrawVibrationChart)->Arg(2)->Arg(500)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
