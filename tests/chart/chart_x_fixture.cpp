// The X test fixture (see chart_x_fixture.h).
#include "chart_x_fixture.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xutil.h>
#include <Xm/Form.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "chart.h"

namespace chart::x_testing {

XtAppContext ChartXTest::app_ = nullptr;
Display* ChartXTest::display_ = nullptr;
std::vector<std::string> ChartXTest::x_errors_;
std::vector<std::string> ChartXTest::warnings_;

namespace {

int RecordXError(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  ChartXTest::x_errors_.push_back(std::string(text) + " (request " +
                                  std::to_string(event->request_code) + ")");
  return 0;
}

void RecordWarning(String name, String, String, String text, String* params, Cardinal* count) {
  std::string message = text ? text : name;
  for (Cardinal i = 0; count && i < *count; ++i) message += std::string(" [") + params[i] + "]";
  ChartXTest::warnings_.push_back(message);
}

uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long top = mask >> shift;
  return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + top / 2) / top);
}

}  // namespace

int Grab::Count(uint32_t rgb, const Rect& r) const {
  int n = 0;
  for (int y = std::max(0, r.y); y < std::min(height, r.y + r.h); ++y)
    for (int x = std::max(0, r.x); x < std::min(width, r.x + r.w); ++x) n += At(x, y) == rgb;
  return n;
}

int Grab::CountOutside(uint32_t rgb, const Rect& r) const {
  return Count(rgb, Rect{0, 0, width, height}) - Count(rgb, r);
}

void ChartXTest::SetUpTestSuite() {
  if (display_) return;
  XtToolkitInitialize();
  app_ = XtCreateApplicationContext();
  int argc = 0;
  display_ = XtOpenDisplay(app_, nullptr, "chart_tests", "ChartTests", nullptr, 0, &argc, nullptr);
  ASSERT_NE(display_, nullptr) << "cannot open the X display";
  XSetErrorHandler(RecordXError);
  XtAppSetWarningMsgHandler(app_, RecordWarning);
}

void ChartXTest::SetUp() {
  ASSERT_NE(display_, nullptr);
  x_errors_.clear();
  warnings_.clear();
}

void ChartXTest::TearDown() {
  for (Widget shell : shells_) XtDestroyWidget(shell);
  shells_.clear();
  Pump();
  EXPECT_TRUE(x_errors_.empty()) << x_errors_.size() << " X errors, first: "
                                 << (x_errors_.empty() ? "" : x_errors_.front());
}

Widget ChartXTest::MakeForm(int width, int height) {
  Widget shell = XtVaAppCreateShell("chartTest", "ChartTests", topLevelShellWidgetClass, display_,
                                    XtNwidth, static_cast<XtArgVal>(width), XtNheight,
                                    static_cast<XtArgVal>(height), nullptr);
  shells_.push_back(shell);
  return XtVaCreateManagedWidget("form", xmFormWidgetClass, shell, nullptr);
}

void ChartXTest::Show(Widget w) {
  Widget shell = w;
  while (XtParent(shell)) shell = XtParent(shell);
  XtRealizeWidget(shell);
  XtMapWidget(shell);
  for (int i = 0; i < 200; ++i) {
    Pump();
    XWindowAttributes wa;
    if (XGetWindowAttributes(display_, XtWindow(w), &wa) && wa.map_state == IsViewable) break;
  }
  Pump();
}

void ChartXTest::Pump() {
  for (int round = 0; round < 2; ++round) {
    XSync(display_, False);
    while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
    // Waiting for a short timer runs the idle work procedures first.
    bool fired = false;
    XtAppAddTimeOut(
        app_, 2, [](XtPointer flag, XtIntervalId*) { *static_cast<bool*>(flag) = true; }, &fired);
    while (!fired) XtAppProcessEvent(app_, XtIMAll);
  }
  XSync(display_, False);
}

Grab ChartXTest::GrabWindow(Widget w) {
  XSync(display_, False);
  Grab g;
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, nullptr);
  g.width = width;
  g.height = height;
  XImage* image = XGetImage(display_, XtWindow(w), 0, 0, static_cast<unsigned>(g.width),
                            static_cast<unsigned>(g.height), AllPlanes, ZPixmap);
  if (!image) {
    ADD_FAILURE() << "XGetImage failed";
    return g;
  }
  g.pixels.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      g.pixels[static_cast<size_t>(y) * static_cast<size_t>(g.width) + static_cast<size_t>(x)] =
          (Channel(p, image->red_mask) << 16) | (Channel(p, image->green_mask) << 8) |
          Channel(p, image->blue_mask);
    }
  XDestroyImage(image);
  return g;
}

Rect ChartXTest::PlotArea(Widget chart) {
  Rect r;
  EXPECT_EQ(ChartGetPlotArea(chart, &r.x, &r.y, &r.w, &r.h), ChartOk);
  return r;
}

}  // namespace chart::x_testing
