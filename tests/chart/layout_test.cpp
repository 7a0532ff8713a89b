// Layout: the plot area follows the widget, labels fit and never overlap,
// titles, headers and the legend take their room, tiny widgets are safe.
#include <gtest/gtest.h>

#include <cairo.h>

#include "offscreen_chart.h"
#include "render.h"
#include "text.h"

namespace chart {
namespace {

using offscreen::LayoutOf;
using offscreen::OffscreenChart;

// Horizontal extent of every X label and vertical extent of every Y label.
struct LabelBoxes {
  std::vector<std::pair<double, double>> x;  // left, right
  std::vector<std::pair<double, double>> y;  // top, bottom
  double y_left = 1e9;                       // leftmost Y label edge
};

LabelBoxes MeasureLabels(const ChartPicture& pic, const ChartLayout& L) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(s);
  const FontMetrics fm = UseFont(cr, pic.axis_font);
  LabelBoxes boxes;
  // Labels are centred on their ticks, which the renderer places.
  const PlotMapping m(L.plot, L.x_ticks, L.y_ticks);
  for (int i = 0; i <= L.x_ticks.intervals; ++i) {
    const double centre = m.X(L.x_ticks.Tick(i));
    const double w = TextWidth(cr, L.x_labels[static_cast<size_t>(i)]);
    boxes.x.push_back({centre - w / 2, centre + w / 2});
  }
  for (int i = 0; i <= L.y_ticks.intervals; ++i) {
    const double centre = m.Y(L.y_ticks.Tick(i));
    boxes.y.push_back({centre - fm.height() / 2, centre + fm.height() / 2});
    boxes.y_left = std::min(boxes.y_left, L.y_label_right - TextWidth(cr, L.y_labels[static_cast<size_t>(i)]));
  }
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return boxes;
}

TEST(ChartLayout, PlotAreaFollowsTheWidgetAndLabelsFit) {
  const struct {
    int width, height;
    double font_pixels;
    int frames;
  } cases[] = {
      {800, 400, 18, 500},  {800, 400, 18, 10000}, {400, 300, 14, 500},
      {1400, 500, 18, 3000}, {300, 160, 18, 999},  {800, 400, 30, 123456},
  };
  double last_area_800 = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " font " << c.font_pixels
                                    << " frames " << c.frames);
    OffscreenChart chart(c.width, c.height);
    chart.FillVibration(c.frames, 10, 23.5);
    ChartPicture& pic = chart.picture();
    pic.axis_font.pixel_size = c.font_pixels;
    pic.x_title = "Frame Number";
    pic.y_title = "Vibration (nm)";
    pic.border = ChartBorder3DRaised;
    const ChartLayout L = LayoutOf(pic);
    ASSERT_TRUE(L.has_plot);
    // Inside the widget's border and padding.
    EXPECT_GE(L.plot.x, L.inset);
    EXPECT_GE(L.plot.y, L.inset);
    EXPECT_LE(L.plot.right(), c.width - L.inset);
    EXPECT_LE(L.plot.bottom(), c.height - L.inset);
    // The axes cover the data.
    EXPECT_LE(L.x_ticks.axis_min, 0);
    EXPECT_GE(L.x_ticks.axis_max, c.frames);
    EXPECT_LE(L.y_ticks.axis_min, -23.5);
    EXPECT_GE(L.y_ticks.axis_max, 23.5);
    const LabelBoxes boxes = MeasureLabels(pic, L);
    // X labels: inside the widget and apart from each other.
    EXPECT_GE(boxes.x.front().first, kBorderWidth);
    EXPECT_LE(boxes.x.back().second, c.width - kBorderWidth);
    for (size_t i = 1; i < boxes.x.size(); ++i)
      EXPECT_GE(boxes.x[i].first - boxes.x[i - 1].second, 8) << "labels " << i - 1 << ", " << i;
    // Y labels: inside the widget, apart, and clear of the rotated title.
    EXPECT_GE(boxes.y.back().first, kBorderWidth);
    EXPECT_LE(boxes.y.front().second, c.height - kBorderWidth);
    for (size_t i = 1; i < boxes.y.size(); ++i)
      EXPECT_GE(boxes.y[i - 1].first - boxes.y[i].second, 4) << "labels " << i - 1 << ", " << i;
    EXPECT_GT(boxes.y_left, L.y_title_x);
    // Several ticks on each axis whenever there is room for them.
    if (c.width >= 400) {
      EXPECT_GE(L.x_ticks.intervals, 3);
    }
    if (c.height >= 300) {
      EXPECT_GE(L.y_ticks.intervals, 3);
    }
    if (c.width == 800 && c.font_pixels == 18 && c.frames == 500) last_area_800 = L.plot.w * L.plot.h;
  }
  // A larger font leaves a smaller plot area at the same widget size.
  OffscreenChart big_font(800, 400);
  big_font.FillVibration(500, 10, 23.5);
  big_font.picture().axis_font.pixel_size = 30;
  big_font.picture().x_title = "Frame Number";
  big_font.picture().y_title = "Vibration (nm)";
  big_font.picture().border = ChartBorder3DRaised;
  const ChartLayout L = LayoutOf(big_font.picture());
  EXPECT_LT(L.plot.w * L.plot.h, last_area_800);
}

TEST(ChartLayout, TitlesHeadersAndLegendTakeTheirRoom) {
  OffscreenChart chart(800, 400);
  chart.FillVibration(500, 10, 20);
  ChartPicture& pic = chart.picture();
  const ChartLayout bare = LayoutOf(pic);

  std::vector<std::string> two_lines = {"X Movement Per Frame: X Vibration = 12.34 nm", "second"};
  pic.headers = two_lines;
  const ChartLayout headed = LayoutOf(pic);
  EXPECT_GE(headed.plot.y - bare.plot.y, 2 * pic.header_font.pixel_size);
  ASSERT_EQ(headed.header_baselines.size(), 2u);
  EXPECT_LT(headed.header_baselines[1], headed.plot.y);
  EXPECT_GT(headed.header_baselines[1] - headed.header_baselines[0], pic.header_font.pixel_size);
  pic.headers = {};

  pic.y_title = "Vibration (nm)";
  pic.y_title_rotation = ChartRotate90;
  const ChartLayout rotated = LayoutOf(pic);
  EXPECT_GT(rotated.plot.x, bare.plot.x);  // a column left of the labels
  EXPECT_EQ(rotated.plot.y, bare.plot.y);
  pic.y_title_rotation = ChartRotateNone;
  const ChartLayout flat = LayoutOf(pic);
  EXPECT_GT(flat.plot.y, bare.plot.y);  // a line above the plot
  EXPECT_EQ(flat.plot.x, bare.plot.x);
  pic.y_title = "";

  pic.x_title = "Frame Number";
  const ChartLayout x_titled = LayoutOf(pic);
  EXPECT_LT(x_titled.plot.bottom(), bare.plot.bottom());
  pic.x_title = "";

  pic.legend = true;
  const ChartLayout legend = LayoutOf(pic);
  EXPECT_EQ(legend.legend_sets.size(), 12u);  // ten tracks and two limits have points
  EXPECT_LT(legend.plot.right(), legend.legend.x);
  EXPECT_LT(legend.plot.w, bare.plot.w);
  EXPECT_LE(legend.legend.right(), 800 - legend.inset);
}

TEST(ChartLayout, TooSmallWidgetsHaveNoPlotAndStillRender) {
  const int sizes[][2] = {{1, 1}, {40, 30}, {120, 40}, {60, 400}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
    OffscreenChart chart(size[0], size[1]);
    chart.FillVibration(100, 10, 5);
    chart.headers() = {"header"};
    chart.picture().x_title = "Frame Number";
    chart.picture().y_title = "Vibration (nm)";
    const ChartLayout& L = chart.Render();
    EXPECT_FALSE(L.has_plot);
  }
}

}  // namespace
}  // namespace chart
