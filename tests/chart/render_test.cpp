// Rendering, read back pixel by pixel from an image surface: lines land in
// the plot area at their values, styles change what is drawn, the border,
// titles and headers appear where they belong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "offscreen_chart.h"
#include "line_geometry.h"
#include "render.h"
#include "text.h"

namespace chart {
namespace {

using offscreen::OffscreenChart;
using offscreen::Rgb8;

const Rgb8 kRed{255, 0, 0};
const Rgb8 kBlue{0, 0, 255};
const Rgb8 kGray85{217, 217, 217};

bool IsDark(const Rgb8& c) { return c.r + c.g + c.b < 200; }

// Bounding box of dark (text) pixels in a region.
struct Box {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
  int width() const { return x1 - x0 + 1; }
  int height() const { return y1 - y0 + 1; }
  bool empty() const { return x1 < 0; }
};

Box DarkBox(const OffscreenChart& c, int x0, int y0, int x1, int y1) {
  Box b;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (IsDark(c.Pixel(x, y))) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

// Left edge of the widest Y tick label.
double LeftOfYLabels(const ChartPicture& pic, const ChartLayout& L) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(s);
  UseFont(cr, pic.axis_font);
  double widest = 0;
  for (const auto& label : L.y_labels) widest = std::max(widest, TextWidth(cr, label));
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return L.y_label_right - widest;
}

TEST(RenderChart, LimitLinesLieInsideThePlotAtTheirValues) {
  OffscreenChart chart(800, 400);
  chart.FillVibration(500, 10, 23.5);
  chart.UseVibrationStyles();
  const ChartLayout& L = chart.Render();
  const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
  const int px0 = static_cast<int>(L.plot.x), px1 = static_cast<int>(L.plot.right());
  const int py0 = static_cast<int>(L.plot.y), py1 = static_cast<int>(L.plot.bottom());
  // A 3 pixel line has a fully covered centre row along its whole length
  // (apart from where tracks cross it).
  for (double limit : {23.5, -23.5}) {
    const int row = static_cast<int>(std::floor(m.Y(limit)));
    int red = 0;
    for (int dy = -1; dy <= 1; ++dy) red = std::max(red, chart.Count(kRed, px0, row + dy, px1, row + dy + 1));
    EXPECT_GT(red, 0.8 * L.plot.w) << "limit " << limit;
  }
  // Nothing of a data colour leaks outside the plot area.
  const int outside = chart.Count(kRed, 0, 0, 800, py0) + chart.Count(kRed, 0, py1, 800, 400) +
                      chart.Count(kRed, 0, py0, px0, py1) + chart.Count(kRed, px1, py0, 800, py1);
  EXPECT_EQ(outside, 0);
}

TEST(RenderChart, StylesDecideWhatASetDraws) {
  struct Case {
    const char* what;
    int points;
    int line_pattern;
    int point_symbol;
    bool draws;
  } cases[] = {
      {"two points, solid line", 2, ChartLineSolid, ChartPointNone, true},
      {"two points, no line, no symbol", 2, ChartLineNone, ChartPointNone, false},
      {"one point without symbol", 1, ChartLineSolid, ChartPointNone, false},
      {"one point with a box", 1, ChartLineSolid, ChartPointBox, true},
      {"no line but symbols", 2, ChartLineNone, ChartPointDot, true},
      {"no points", 0, ChartLineSolid, ChartPointBox, false},
      {"dashed line", 2, ChartLineLongDash, ChartPointNone, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OffscreenChart chart(600, 300);
    // Set 0 gives the axes a fixed range; set 1 is under test.
    ChartDataAppendPoint(chart.data(), 0, 0, 0);
    ChartDataAppendPoint(chart.data(), 0, 10, 10);
    for (int i = 0; i < c.points; ++i) ChartDataAppendPoint(chart.data(), 1, 2 + 6 * i, 5);
    chart.styles().resize(2);
    chart.styles()[0].line_pattern = ChartLineNone;
    SetStyle& s = chart.styles()[1];
    s.line_color = s.point_color = offscreen::FromRgb8(kBlue);
    s.line_width = 3;
    s.line_pattern = c.line_pattern;
    s.point_symbol = c.point_symbol;
    s.point_size = 4;
    const ChartLayout& L = chart.Render();
    const int blue = chart.Count(kBlue, 0, 0, 600, 300);
    EXPECT_EQ(blue > 0, c.draws) << blue << " blue pixels";
    if (c.draws) {
      // On the line a little after its start, or on the symbol's centre.
      const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
      const bool line = c.line_pattern != ChartLineNone && c.points >= 2;
      const int x = static_cast<int>(m.X(2)) + (line ? 5 : 0);
      EXPECT_EQ(chart.Pixel(x, static_cast<int>(m.Y(5))), kBlue);
    }
  }
}

TEST(RenderChart, SolidFillTintsTheAreaUnderTheLine) {
  OffscreenChart chart(600, 300);
  ChartDataAppendPoint(chart.data(), 0, 0, 6);
  ChartDataAppendPoint(chart.data(), 0, 10, 6);
  ChartDataAppendPoint(chart.data(), 1, 0, 0);  // the Y axis runs 0..10
  ChartDataAppendPoint(chart.data(), 1, 0, 10);
  chart.styles().resize(2);
  chart.styles()[0].line_color = offscreen::FromRgb8(kBlue);
  chart.styles()[1].line_pattern = ChartLineNone;
  chart.picture().y_origin = ChartOriginMin;
  const ChartLayout& L = chart.Render();
  const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
  // Probes a few pixels off the grid lines, below and above the line.
  auto below = [&] { return chart.Pixel(static_cast<int>(m.X(5)) + 3, static_cast<int>(m.Y(3)) + 3); };
  auto above = [&] { return chart.Pixel(static_cast<int>(m.X(5)) + 3, static_cast<int>(m.Y(8)) + 3); };
  EXPECT_EQ(below(), kGray85);
  chart.styles()[0].fill_pattern = ChartFillSolid;
  chart.Render();
  const Rgb8 filled = below();
  EXPECT_GT(filled.b, filled.r + 30) << "fill should be a tint of the line colour";
  EXPECT_EQ(above(), kGray85);
}

TEST(RenderChart, BorderShowsItsKind) {
  const struct {
    int border;
    int top_left;      // sign of (corner - background) at the top left
    int bottom_right;  // and at the bottom right
  } cases[] = {
      {ChartBorderNone, 0, 0},
      {ChartBorder3DRaised, +1, -1},
      {ChartBorder3DSunken, -1, +1},
      {ChartBorderPlain, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.border);
    OffscreenChart chart(300, 200);
    chart.picture().border = c.border;
    chart.Render();
    auto sign = [](const Rgb8& p) { return p.r > 217 ? 1 : p.r < 217 ? -1 : 0; };
    EXPECT_EQ(sign(chart.Pixel(0, 0)), c.top_left);
    EXPECT_EQ(sign(chart.Pixel(299, 199)), c.bottom_right);
    EXPECT_EQ(chart.Pixel(6, 100), kGray85);  // inside the border
  }
}

TEST(RenderChart, YTitleFollowsItsRotationAndHeadersAreCentred) {
  const struct {
    int rotation;
    bool tall;  // the title's ink is taller than wide
  } cases[] = {{ChartRotate90, true}, {ChartRotate270, true}, {ChartRotateNone, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rotation);
    OffscreenChart chart(800, 400);
    chart.FillVibration(500, 2, 20);
    chart.picture().y_title = "Vibration (nm)";
    chart.picture().y_title_rotation = c.rotation;
    chart.headers() = {"X Movement Per Frame: X Vibration = 12.34 nm"};
    const ChartLayout& L = chart.Render();
    Box title;
    if (c.rotation == ChartRotateNone) {
      const int baseline = static_cast<int>(L.y_title_baseline);
      title = DarkBox(chart, 0, baseline - 20, 400, baseline + 5);
    } else {
      title = DarkBox(chart, 0, 0, static_cast<int>(LeftOfYLabels(chart.picture(), L)) - 1, 400);
    }
    ASSERT_FALSE(title.empty());
    EXPECT_EQ(title.height() > title.width(), c.tall) << title.width() << "x" << title.height();
    if (c.tall) {
      // Vertically centred on the plot area.
      EXPECT_NEAR((title.y0 + title.y1) / 2.0, L.plot.y + L.plot.h / 2, 3);
    }
    // The header line sits above the plot, centred on it.
    const Box header = DarkBox(chart, 0, 0, 800, static_cast<int>(L.header_baselines[0]) + 5);
    ASSERT_FALSE(header.empty());
    EXPECT_NEAR((header.x0 + header.x1) / 2.0, L.plot.x + L.plot.w / 2, 3);
    EXPECT_LT(header.y1, L.plot.y);
  }
}

// A dense curve is filled as the band it covers instead of being stroked;
// the pixels it inks must be those a stroke inks.
TEST(RenderChart, DenseCurvesInkThePixelsAStrokeWould) {
  OffscreenChart chart(800, 400);
  const int frames = 6000;
  for (int f = 0; f < frames; ++f)
    ChartDataAppendPoint(chart.data(), 0, f, 8 * std::sin(0.9 * f) + 3 * std::sin(0.011 * f));
  chart.styles().resize(1);
  chart.styles()[0].line_color = offscreen::FromRgb8(kBlue);
  const ChartLayout& L = chart.Render();
  ASSERT_TRUE(IsDense(frames, L.plot.w));

  // The reference: the same curve stroked as one path on the same picture.
  cairo_surface_t* ref = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 800, 400);
  cairo_t* cr = cairo_create(ref);
  cairo_set_source_rgb(cr, 217 / 255.0, 217 / 255.0, 217 / 255.0);
  cairo_paint(cr);
  const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
  const auto points = chart.data()->Set(0);
  cairo_move_to(cr, m.X(points[0].x), m.Y(points[0].y));
  for (const Point& p : points) cairo_line_to(cr, m.X(p.x), m.Y(p.y));
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(ref);
  const unsigned char* data = cairo_image_surface_get_data(ref);
  const int stride = cairo_image_surface_get_stride(ref);

  // Compare "mostly blue" pixels inside the plot (grid and frame aside).
  auto inked = [](int r, int b) { return b - r > 120; };
  int ours = 0, theirs = 0, differ = 0;
  for (int y = static_cast<int>(L.plot.y) + 1; y < static_cast<int>(L.plot.bottom()) - 1; ++y)
    for (int x = static_cast<int>(L.plot.x) + 1; x < static_cast<int>(L.plot.right()) - 1; ++x) {
      const Rgb8 p = chart.Pixel(x, y);
      uint32_t v;
      std::memcpy(&v, data + y * stride + 4 * x, 4);
      const bool a = inked(p.r, p.b), b = inked(static_cast<int>((v >> 16) & 0xff), static_cast<int>(v & 0xff));
      ours += a;
      theirs += b;
      differ += a != b;
    }
  cairo_surface_destroy(ref);
  ASSERT_GT(theirs, 10000);
  EXPECT_LT(differ, theirs / 50) << differ << " differ; " << ours << " inked here, " << theirs << " by the stroke";
}

TEST(RenderChart, EmptySetsDrawTheSameAsNoData) {
  OffscreenChart empty_sets(400, 300);
  empty_sets.UseVibrationStyles();
  empty_sets.Render();
  OffscreenChart no_data(400, 300);
  no_data.picture().data = nullptr;
  no_data.Render();
  int differing = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) differing += !(empty_sets.Pixel(x, y) == no_data.Pixel(x, y));
  EXPECT_EQ(differing, 0);
  // And that picture has axes: dark tick labels below the plot.
  EXPECT_FALSE(DarkBox(no_data, 0, static_cast<int>(no_data.layout().plot.bottom()) + 2, 400, 300).empty());
}

}  // namespace
}  // namespace chart
