// The chart widget on a real X server: the vibration charts render cleanly,
// repainting can be suspended, resources are copied and redraw only when
// they change, data objects can be replaced and destroyed safely, and the
// plot follows the widget size.
#include <gtest/gtest.h>

#include <X11/StringDefs.h>
#include <X11/Xlib.h>
#include <Xm/Form.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "chart.h"
#include "test_support.h"
#include "vibration_chart.h"
#include "x_support.h"

namespace chart::x_testing {
namespace {

using tremoscan::testing::Grab;
using tremoscan::testing::Rect;

constexpr uint32_t kRed = 0xff0000;
constexpr uint32_t kGray85 = 0xd9d9d9;

XtArgVal V(long value) { return static_cast<XtArgVal>(value); }

// Owns a data object for the length of a test.
struct DataGuard {
  ChartData* data;
  explicit DataGuard(int sets = 12) : data(ChartDataCreate(sets)) {}
  ~DataGuard() { ChartDataDestroy(data); }
};

class ChartWidgetTest : public tremoscan::testing::XtFixture {
 protected:
  Rect PlotArea(Widget chart) {
    Rect r;
    EXPECT_EQ(ChartGetPlotArea(chart, &r.x, &r.y, &r.width, &r.height), ChartOk);
    return r;
  }

  // A shown vibration chart, filled the way the application fills it.
  Widget FilledChart(ChartData* data, int frames = 2000) {
    Widget form = MakeForm(800, 400);
    Widget chart = CreateVibrationChart(form, "VibGraphW", 800, 400);
    Show(chart);
    XtVaSetValues(chart, XtNxrtRepaint, V(False), nullptr);
    ApplyVibrationStyles(chart);
    XtVaSetValues(chart, XtNxrtData, data, nullptr);
    const VibrationRun run = FillVibrationData(data, frames, 10, 8.0, 42);
    char header[100];
    snprintf(header, sizeof header, "X Movement Per Frame: X Vibration = %.2lf nm", run.vibration);
    String lines[] = {header, nullptr};
    XtVaSetValues(chart, XtNxrtHeaderStrings, lines, nullptr);
    XtVaSetValues(chart, XtNxrtRepaint, V(True), nullptr);
    Pump();
    return chart;
  }

  // Paints a marker the chart itself never draws, to see whether it redraws.
  void PaintMarker(Widget chart, const Rect& at) {
    XGCValues v{};
    v.foreground = 0xff00ff;  // TrueColor 24 bit: magenta
    GC gc = XCreateGC(display_, XtWindow(chart), GCForeground, &v);
    XFillRectangle(display_, XtWindow(chart), gc, at.x, at.y, static_cast<unsigned>(at.width),
                   static_cast<unsigned>(at.height));
    XFreeGC(display_, gc);
    XSync(display_, False);
  }

  bool MarkerStillThere(Widget chart, const Rect& at) {
    return GrabWindow(chart).Count(0xff00ff, at) == at.width * at.height;
  }
};

TEST_F(ChartWidgetTest, TwelveVibrationSetsRenderWithoutXErrors) {
  ASSERT_NE(LoadFontList(display_, kAxisFontName), nullptr) << "helvetica 18 px core font missing";
  DataGuard data;
  Widget chart = FilledChart(data.data);
  XSync(display_, False);
  EXPECT_TRUE(x_errors_.empty());
  EXPECT_TRUE(warnings_.empty()) << warnings_.front();
  const Rect plot = PlotArea(chart);
  ASSERT_GT(plot.width, 600);
  ASSERT_GT(plot.height, 200);
  const Grab g = GrabWindow(chart);
  // Both 3 pixel limit lines run across the plot.
  EXPECT_GT(g.Count(kRed, plot), 2 * plot.width);
  // The background shows around the plot, and the raised border is lighter
  // at the top left than at the bottom right.
  EXPECT_EQ(g.At(plot.x + plot.width + 3, plot.y + plot.height / 2), kGray85);
  ASSERT_EQ(g.width, 800);
  ASSERT_EQ(g.height, 400);
  EXPECT_GT(g.At(0, 0) & 0xff, g.At(799, 399) & 0xff);
}

TEST_F(ChartWidgetTest, RepaintOffDrawsNothingEvenOnExpose) {
  DataGuard data;
  FillVibrationData(data.data, 500, 10, 8.0, 7);
  Widget form = MakeForm(600, 300);
  Widget chart = XtVaCreateManagedWidget(
      "chart", chartWidgetClass, form, XtNwidth, V(600), XtNheight, V(300), XtNxrtRepaint,
      V(False), XtNxrtData, data.data, XtNxrtGraphBackgroundColor, "gray85", XtNxrtXTitle,
      "Frame Number", nullptr);
  ApplyVibrationStyles(chart);
  Show(chart);
  const Rect all{0, 0, 600, 300};
  EXPECT_EQ(GrabWindow(chart).Count(kGray85, all), 600 * 300);

  // An exposure while repaint is off draws nothing either.
  XClearArea(display_, XtWindow(chart), 0, 0, 0, 0, True);
  Pump();
  EXPECT_EQ(GrabWindow(chart).Count(kGray85, all), 600 * 300);

  XtVaSetValues(chart, XtNxrtRepaint, V(True), nullptr);
  XSync(display_, False);  // drawn at once, before any event handling
  EXPECT_GT(GrabWindow(chart).Count(kRed, PlotArea(chart)), 0);

  XtVaSetValues(chart, XtNxrtRepaint, V(False), nullptr);
  XClearArea(display_, XtWindow(chart), 0, 0, 0, 0, True);
  Pump();
  EXPECT_EQ(GrabWindow(chart).Count(kGray85, all), 600 * 300);
}

TEST_F(ChartWidgetTest, SetValuesRedrawsOnlyWhenSomethingChanged) {
  struct Case {
    const char* what;
    bool redraws;
    void (*change)(Widget chart, ChartData* other);
  };
  static char same_title[] = "Frame Number";
  static char other_title[] = "Time Point";
  static char header_copy[] = "header line";
  static char other_header[] = "another header";
  const Case cases[] = {
      {"same X title in another buffer", false,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtXTitle, same_title, nullptr); }},
      {"another X title", true,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtXTitle, other_title, nullptr); }},
      {"same header lines in another array", false,
       [](Widget c, ChartData*) {
         String lines[] = {header_copy, nullptr};
         XtVaSetValues(c, XtNxrtHeaderStrings, lines, nullptr);
       }},
      {"other header lines", true,
       [](Widget c, ChartData*) {
         String lines[] = {other_header, nullptr};
         XtVaSetValues(c, XtNxrtHeaderStrings, lines, nullptr);
       }},
      {"legend stays off", false,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtLegendShow, V(False), nullptr); }},
      {"legend on", true,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtLegendShow, V(True), nullptr); }},
      {"repaint on while on", false,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtRepaint, V(True), nullptr); }},
      {"another background", true,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtGraphBackgroundColor, "white", nullptr); }},
      {"another border", true,
       [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtGraphBorder, V(ChartBorderNone), nullptr); }},
      {"other data", true,
       [](Widget c, ChartData* other) { XtVaSetValues(c, XtNxrtData, other, nullptr); }},
      {"no data", true, [](Widget c, ChartData*) { XtVaSetValues(c, XtNxrtData, nullptr, nullptr); }},
      {"a set style", true,
       [](Widget c, ChartData*) {
         const ChartStyle s{ChartLineDotted, ChartFillNone, "blue", 2, ChartPointNone, nullptr, 1};
         ChartSetStyle(c, 0, &s);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DataGuard data, other;
    FillVibrationData(data.data, 300, 10, 8.0, 3);
    FillVibrationData(other.data, 300, 10, 8.0, 4);
    Widget form = MakeForm(600, 300);
    String lines[] = {header_copy, nullptr};
    Widget chart = XtVaCreateManagedWidget(
        "chart", chartWidgetClass, form, XtNwidth, V(600), XtNheight, V(300), XtNxrtData,
        data.data, XtNxrtXTitle, "Frame Number", XtNxrtHeaderStrings, lines,
        XtNxrtGraphBorder, V(ChartBorder3DRaised), XtNxrtGraphBackgroundColor, "gray85", nullptr);
    Show(chart);
    const Rect plot = PlotArea(chart);
    const Rect marker{plot.x + plot.width / 2, plot.y + 5, 12, 12};
    PaintMarker(chart, marker);
    c.change(chart, other.data);
    Pump();
    EXPECT_EQ(!MarkerStillThere(chart, marker), c.redraws);
  }
}

TEST_F(ChartWidgetTest, StringResourcesAreCopiedAndReadBack) {
  Widget form = MakeForm(400, 300);
  char title[32] = "Frame Number";
  char header0[32] = "first line";
  char header1[32] = "second line";
  char color[32] = "gray85";
  String lines[] = {header0, header1, nullptr};
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNxrtXTitle, title,
                                         XtNxrtHeaderStrings, lines, XtNxrtGraphBackgroundColor,
                                         color, nullptr);
  // The caller's buffers change after the call; the chart must not notice.
  std::strcpy(title, "garbage");
  std::strcpy(header0, "garbage");
  std::strcpy(color, "garbage");
  lines[1] = nullptr;
  String got_title = nullptr, got_color = nullptr;
  String* got_lines = nullptr;
  XtVaGetValues(chart, XtNxrtXTitle, &got_title, XtNxrtHeaderStrings, &got_lines,
                XtNxrtGraphBackgroundColor, &got_color, nullptr);
  ASSERT_NE(got_title, nullptr);
  EXPECT_STREQ(got_title, "Frame Number");
  EXPECT_STREQ(got_color, "gray85");
  ASSERT_NE(got_lines, nullptr);
  EXPECT_STREQ(got_lines[0], "first line");
  EXPECT_STREQ(got_lines[1], "second line");
  EXPECT_EQ(got_lines[2], nullptr);

  const struct {
    std::vector<const char*> lines;  // empty = NULL resource
  } replacements[] = {{{"one"}}, {{}}, {{"a", "b", "c"}}, {{""}}};
  for (const auto& r : replacements) {
    std::vector<String> array;
    for (const char* l : r.lines) array.push_back(const_cast<char*>(l));
    array.push_back(nullptr);
    XtVaSetValues(chart, XtNxrtHeaderStrings, r.lines.empty() ? nullptr : array.data(), nullptr);
    XtVaGetValues(chart, XtNxrtHeaderStrings, &got_lines, nullptr);
    if (r.lines.empty()) {
      EXPECT_EQ(got_lines, nullptr);
      continue;
    }
    ASSERT_NE(got_lines, nullptr);
    EXPECT_NE(got_lines, array.data());
    for (size_t i = 0; i < r.lines.size(); ++i) EXPECT_STREQ(got_lines[i], r.lines[i]);
    EXPECT_EQ(got_lines[r.lines.size()], nullptr);
  }
  // Setting the chart's own array back is harmless.
  XtVaGetValues(chart, XtNxrtHeaderStrings, &got_lines, nullptr);
  XtVaSetValues(chart, XtNxrtHeaderStrings, got_lines, nullptr);
  XtVaGetValues(chart, XtNxrtHeaderStrings, &got_lines, nullptr);
  EXPECT_STREQ(got_lines[0], "");
}

TEST_F(ChartWidgetTest, DestroyedDataIsForgottenAndReplacedDataNeverTouched) {
  Widget form = MakeForm(600, 300);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNwidth, V(600),
                                         XtNheight, V(300), XtNxrtGraphBackgroundColor, "gray85",
                                         nullptr);
  ApplyVibrationStyles(chart);
  Show(chart);

  // Destroyed while shown (what clearing the application's graphs does).
  ChartData* shown = ChartDataCreate(12);
  FillVibrationData(shown, 400, 10, 8.0, 5);
  XtVaSetValues(chart, XtNxrtData, shown, nullptr);
  Pump();
  EXPECT_GT(GrabWindow(chart).Count(kRed, PlotArea(chart)), 0);
  XtVaSetValues(chart, XtNxrtRepaint, V(False), nullptr);
  ChartDataDestroy(shown);
  ChartData* got = reinterpret_cast<ChartData*>(1);
  XtVaGetValues(chart, XtNxrtData, &got, nullptr);
  EXPECT_EQ(got, nullptr);
  XtVaSetValues(chart, XtNxrtRepaint, V(True), nullptr);
  Pump();
  EXPECT_EQ(GrabWindow(chart).Count(kRed, Rect{0, 0, 600, 300}), 0);

  // Replaced: appends to the old object no longer reach the chart.
  DataGuard a, b;
  XtVaSetValues(chart, XtNxrtData, a.data, nullptr);
  XtVaSetValues(chart, XtNxrtData, b.data, nullptr);
  Pump();
  const Rect plot = PlotArea(chart);
  const Rect marker{plot.x + 20, plot.y + 20, 10, 10};
  PaintMarker(chart, marker);
  FillVibrationData(a.data, 100, 10, 8.0, 6);
  ChartDataDestroy(a.data);
  a.data = nullptr;
  Pump();
  EXPECT_TRUE(MarkerStillThere(chart, marker));
  XtVaGetValues(chart, XtNxrtData, &got, nullptr);
  EXPECT_EQ(got, b.data);
}

TEST_F(ChartWidgetTest, PointsAppendedWhileShownAreDrawnWhenIdle) {
  DataGuard data;
  Widget form = MakeForm(600, 300);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNwidth, V(600),
                                         XtNheight, V(300), XtNxrtData, data.data,
                                         XtNxrtGraphBackgroundColor, "gray85", nullptr);
  ApplyVibrationStyles(chart);
  Show(chart);
  const Rect all{0, 0, 600, 300};
  EXPECT_EQ(GrabWindow(chart).Count(kRed, all), 0);
  for (int f = 0; f <= 100; f += 100) ChartDataAppendPoint(data.data, 10, f, 5.0);
  ChartDataAppendPoint(data.data, 11, 0, -5.0);
  // Nothing yet: drawing waits until the toolkit is idle, once for all points.
  EXPECT_EQ(GrabWindow(chart).Count(kRed, all), 0);
  Pump();
  EXPECT_GT(GrabWindow(chart).Count(kRed, PlotArea(chart)), PlotArea(chart).width);
}

TEST_F(ChartWidgetTest, DestroyingTheChartFirstLeavesTheDataUsable) {
  ChartData* data = ChartDataCreate(12);
  Widget form = MakeForm(400, 300);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNxrtData, data, nullptr);
  Show(chart);
  XtDestroyWidget(chart);
  Pump();
  EXPECT_EQ(ChartDataAppendPoint(data, 0, 1, 2), ChartOk);
  ChartDataDestroy(data);
}

TEST_F(ChartWidgetTest, PlotAreaFollowsTheFormWhenResized) {
  DataGuard data;
  FillVibrationData(data.data, 1000, 10, 8.0, 9);
  Widget form = MakeForm(800, 400);
  Widget chart = CreateVibrationChart(form, "VibGraphW", 800, 400);
  ApplyVibrationStyles(chart);
  XtVaSetValues(chart, XtNxrtData, data.data, nullptr);
  Show(chart);
  Widget shell = XtParent(form);
  const struct {
    int width, height;
  } sizes[] = {{1200, 600}, {500, 300}, {900, 700}};
  Rect before = PlotArea(chart);
  int before_width = 800, before_height = 400;
  for (const auto& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.width << "x" << s.height);
    XtVaSetValues(shell, XtNwidth, V(s.width), XtNheight, V(s.height), nullptr);
    Pump();
    Dimension w = 0, h = 0;
    XtVaGetValues(chart, XtNwidth, &w, XtNheight, &h, nullptr);
    ASSERT_EQ(w, s.width);
    ASSERT_EQ(h, s.height);
    const Rect plot = PlotArea(chart);
    EXPECT_EQ(plot.width > before.width, s.width > before_width);
    EXPECT_EQ(plot.height > before.height, s.height > before_height);
    EXPECT_LT(plot.x + plot.width, s.width);
    EXPECT_LT(plot.y + plot.height, s.height);
    // The drawing follows: the limit lines reach the new right edge.
    const Grab g = GrabWindow(chart);
    EXPECT_GT(g.Count(kRed, Rect{plot.x + plot.width - 20, plot.y, 20, plot.height}), 0);
    EXPECT_EQ(g.CountOutside(kRed, plot), 0);
    before = plot;
    before_width = s.width;
    before_height = s.height;
  }
}

TEST_F(ChartWidgetTest, OutOfRangeValuesAreRefusedWithAWarning) {
  Widget form = MakeForm(400, 300);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNxrtYTitleRotation,
                                         V(ChartRotate270), XtNxrtGraphBorder,
                                         V(ChartBorderPlain), nullptr);
  const struct {
    const char* resource;
    int value;
    int kept;
  } cases[] = {
      {XtNxrtYTitleRotation, 0, ChartRotate270},   {XtNxrtYTitleRotation, 4, ChartRotate270},
      {XtNxrtXOriginPlacement, 5, ChartOriginAuto}, {XtNxrtYOriginPlacement, -1, ChartOriginAuto},
      {XtNxrtGraphBorder, 4, ChartBorderPlain},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.resource << " = " << c.value);
    warnings_.clear();
    XtVaSetValues(chart, c.resource, V(c.value), nullptr);
    int now = -100;
    XtVaGetValues(chart, c.resource, &now, nullptr);
    EXPECT_EQ(now, c.kept);
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find(c.resource), std::string::npos) << warnings_[0];
  }
  // An unknown colour name is refused and the old one kept, at creation too.
  const struct {
    const char* name;
    const char* kept;
  } colours[] = {{"gray85", "gray85"}, {"no such colour", "gray85"}, {"#102030", "#102030"}};
  for (const auto& c : colours) {
    SCOPED_TRACE(c.name);
    warnings_.clear();
    XtVaSetValues(chart, XtNxrtGraphBackgroundColor, c.name, nullptr);
    String now = nullptr;
    XtVaGetValues(chart, XtNxrtGraphBackgroundColor, &now, nullptr);
    EXPECT_STREQ(now, c.kept);
    EXPECT_EQ(warnings_.size(), std::strcmp(c.name, c.kept) != 0 ? 1u : 0u);
  }
  warnings_.clear();
  Widget bad = XtVaCreateManagedWidget("chart2", chartWidgetClass, form,
                                       XtNxrtGraphBackgroundColor, "no such colour", nullptr);
  String now = nullptr;
  XtVaGetValues(bad, XtNxrtGraphBackgroundColor, &now, nullptr);
  EXPECT_STREQ(now, "white");
  EXPECT_EQ(warnings_.size(), 1u);
}

TEST_F(ChartWidgetTest, SetStyleChecksItsArgumentsAndKeepsTheOldStyle) {
  Widget form = MakeForm(400, 300);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, nullptr);
  const ChartStyle good{ChartLineSolid, ChartFillNone, "forestGreen", 3, ChartPointBox, "aliceBlue", 4};
  ASSERT_EQ(ChartSetStyle(chart, 11, &good), ChartOk);
  const struct {
    const char* what;
    Widget widget;
    int set;
    ChartStyle style;
    int status;
  } cases[] = {
      {"not a chart", form, 11, good, ChartErrWidget},
      {"negative set", chart, -1, good, ChartErrArgument},
      {"set beyond the limit", chart, CHART_MAX_SETS, good, ChartErrArgument},
      {"line pattern 0", chart, 11, {0, 1, "red", 1, 1, "red", 1}, ChartErrArgument},
      {"fill pattern 3", chart, 11, {2, 3, "red", 1, 1, "red", 1}, ChartErrArgument},
      {"point symbol 8", chart, 11, {2, 1, "red", 1, 8, "red", 1}, ChartErrArgument},
      {"negative width", chart, 11, {2, 1, "red", -1, 1, "red", 1}, ChartErrArgument},
      {"huge point", chart, 11, {2, 1, "red", 1, 1, "red", 101}, ChartErrArgument},
      {"unknown line colour", chart, 11, {2, 1, "reddish", 1, 1, "red", 1}, ChartErrColor},
      {"unknown point colour", chart, 11, {2, 1, "red", 1, 1, "#12", 1}, ChartErrColor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ChartSetStyle(c.widget, c.set, &c.style), c.status);
    ChartStyle now{};
    ASSERT_EQ(ChartGetStyle(chart, 11, &now), ChartOk);
    EXPECT_EQ(now.line_pattern, good.line_pattern);
    EXPECT_STREQ(now.line_color, "forestGreen");
    EXPECT_STREQ(now.point_color, "aliceBlue");
    EXPECT_EQ(now.line_width, 3);
    EXPECT_EQ(now.point_size, 4);
  }
  EXPECT_EQ(ChartSetStyle(chart, 0, nullptr), ChartErrArgument);
  // Sets never styled report the default: a solid line in a palette colour.
  ChartStyle unstyled{};
  ASSERT_EQ(ChartGetStyle(chart, 5, &unstyled), ChartOk);
  EXPECT_EQ(unstyled.line_pattern, ChartLineSolid);
  EXPECT_EQ(unstyled.line_color, nullptr);
}

TEST_F(ChartWidgetTest, FontListsDecideTheTextSize) {
  // The same chart with small and large axis and header fonts: larger text
  // leaves a smaller plot area.
  const struct {
    const char* axis;
    const char* header;
  } fonts[] = {
      {"-*-helvetica-medium-r-*-*-10-*-*-*-*-*-*-*", "-*-helvetica-bold-r-*-*-10-*-*-*-*-*-*-*"},
      {kAxisFontName, kBoldFontName},
      {"-*-helvetica-medium-r-*-*-24-*-*-*-*-*-*-*", "-*-helvetica-bold-r-*-*-24-*-*-*-*-*-*-*"},
  };
  DataGuard data;
  FillVibrationData(data.data, 1000, 10, 8.0, 11);
  int previous_area = 1 << 30;
  for (const auto& f : fonts) {
    SCOPED_TRACE(f.axis);
    Widget form = MakeForm(800, 400);
    XmFontList axis = LoadFontList(display_, f.axis);
    XmFontList header = LoadFontList(display_, f.header);
    ASSERT_NE(axis, nullptr);
    ASSERT_NE(header, nullptr);
    String lines[] = {const_cast<char*>("header"), nullptr};
    Widget chart = XtVaCreateManagedWidget(
        "chart", chartWidgetClass, form, XtNwidth, V(800), XtNheight, V(400), XtNxrtData,
        data.data, XtNxrtXTitle, "Frame Number", XtNxrtYTitle, "Vibration (nm)",
        XtNxrtHeaderStrings, lines, XtNxrtAxisFont, axis, XtNxrtHeaderFont, header, nullptr);
    XmFontListFree(axis);
    XmFontListFree(header);
    const Rect plot = PlotArea(chart);
    EXPECT_LT(plot.width * plot.height, previous_area);
    previous_area = plot.width * plot.height;
  }
  // No font list at all falls back to a default font.
  Widget form = MakeForm(800, 400);
  Widget chart = XtVaCreateManagedWidget("chart", chartWidgetClass, form, XtNwidth, V(800),
                                         XtNheight, V(400), XtNxrtAxisFont, nullptr, nullptr);
  const Rect plot = PlotArea(chart);
  EXPECT_GT(plot.width, 600);
}

}  // namespace
}  // namespace chart::x_testing
