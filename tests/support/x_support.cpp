// The X side of the shared test support (see x_support.h).
#include "x_support.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <Xm/Form.h>

#include <algorithm>
#include <bit>

#include "test_support.h"

namespace tremoscan::testing {

XConnection::XConnection() : dpy_(XOpenDisplay(nullptr)) {}
XConnection::~XConnection() {
  if (dpy_) XCloseDisplay(dpy_);
}

std::string WindowTitle(Display* dpy, Window w) {
  char* name = nullptr;
  std::string title;
  if (XFetchName(dpy, w, &name) && name) title = name;
  if (name) XFree(name);
  return title;
}

std::vector<Window> Children(Display* dpy, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<Window> result;
  if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
    result.assign(children, children + count);
    if (children) XFree(children);
  }
  return result;
}

bool IsShown(Display* dpy, Window w) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(dpy, w, &attributes) && attributes.map_state == IsViewable;
}

namespace {

// Windows of clients that went away between two calls make Xlib report
// errors; a search only skips them.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long top = mask >> shift;
  return static_cast<uint32_t>((((pixel & mask) >> shift) * 255 + top / 2) / top);
}

}  // namespace

uint32_t RgbOfPixel(unsigned long pixel, unsigned long red_mask, unsigned long green_mask,
                    unsigned long blue_mask) {
  return (Channel(pixel, red_mask) << 16) | (Channel(pixel, green_mask) << 8) |
         Channel(pixel, blue_mask);
}

Window FindWindowByTitle(Display* dpy, const std::string& title) {
  auto previous = XSetErrorHandler(IgnoreXError);
  Window found = 0;
  for (Window top : Children(dpy, DefaultRootWindow(dpy))) {
    std::vector<Window> candidates{top};
    for (Window child : Children(dpy, top)) candidates.push_back(child);
    for (Window w : candidates) {
      if (WindowTitle(dpy, w) == title && IsShown(dpy, w)) {
        found = w;
        break;
      }
    }
    if (found) break;
  }
  XSync(dpy, False);
  XSetErrorHandler(previous);
  return found;
}

Window WaitForWindowByTitle(Display* dpy, const std::string& title, double seconds) {
  Window found = 0;
  WaitUntil([&] { return (found = FindWindowByTitle(dpy, title)) != 0; }, seconds);
  return found;
}

Rect RootGeometry(Display* dpy, Window w) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(dpy, w, &attributes);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(dpy, w, DefaultRootWindow(dpy), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

int Grab::Count(uint32_t rgb, const Rect& r) const {
  int n = 0;
  for (int y = std::max(0, r.y); y < std::min(height, r.y + r.height); ++y)
    for (int x = std::max(0, r.x); x < std::min(width, r.x + r.width); ++x) n += At(x, y) == rgb;
  return n;
}

int Grab::CountOutside(uint32_t rgb, const Rect& r) const {
  return Count(rgb, Rect{0, 0, width, height}) - Count(rgb, r);
}

Grab GrabArea(Display* dpy, Drawable d, const Rect& area) {
  Grab g;
  XImage* image = XGetImage(dpy, d, area.x, area.y, static_cast<unsigned>(area.width),
                            static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
  if (!image) return g;
  g.width = area.width;
  g.height = area.height;
  g.pixels.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      g.pixels[static_cast<size_t>(y) * static_cast<size_t>(g.width) + static_cast<size_t>(x)] =
          RgbOfPixel(p, image->red_mask, image->green_mask, image->blue_mask);
    }
  XDestroyImage(image);
  return g;
}

void Click(Display* dpy, int x, int y) {
  XTestFakeMotionEvent(dpy, -1, x, y, 0);
  XTestFakeButtonEvent(dpy, 1, True, 0);
  XTestFakeButtonEvent(dpy, 1, False, 0);
  XFlush(dpy);
}

void SendDeleteWindow(Display* dpy, Window w) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, w, False, NoEventMask, &event);
  // Waits until the server has delivered it: a caller may exit right after.
  XSync(dpy, False);
}

XtAppContext XtFixture::app_ = nullptr;
Display* XtFixture::display_ = nullptr;
std::vector<std::string> XtFixture::x_errors_;
std::vector<std::string> XtFixture::warnings_;

namespace {

int RecordXError(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  XtFixture::x_errors_.push_back(std::string(text) + " (request " +
                                 std::to_string(event->request_code) + ")");
  return 0;
}

void RecordWarning(String name, String, String, String text, String* params, Cardinal* count) {
  std::string message = text ? text : name;
  for (Cardinal i = 0; count && i < *count; ++i) message += std::string(" [") + params[i] + "]";
  XtFixture::warnings_.push_back(message);
}

}  // namespace

void XtFixture::SetUpTestSuite() {
  if (display_) return;
  XtToolkitInitialize();
  app_ = XtCreateApplicationContext();
  int argc = 0;
  display_ = XtOpenDisplay(app_, nullptr, "xt_tests", "XtTests", nullptr, 0, &argc, nullptr);
  ASSERT_NE(display_, nullptr) << "cannot open the X display";
  XSetErrorHandler(RecordXError);
  XtAppSetWarningMsgHandler(app_, RecordWarning);
}

void XtFixture::SetUp() {
  ASSERT_NE(display_, nullptr);
  x_errors_.clear();
  warnings_.clear();
}

void XtFixture::TearDown() {
  for (Widget shell : shells_) XtDestroyWidget(shell);
  shells_.clear();
  Pump();
  EXPECT_TRUE(x_errors_.empty()) << x_errors_.size() << " X errors, first: "
                                 << (x_errors_.empty() ? "" : x_errors_.front());
}

Widget XtFixture::MakeForm(int width, int height) {
  Widget shell = XtVaAppCreateShell("xtTest", "XtTests", topLevelShellWidgetClass, display_,
                                    XtNwidth, static_cast<XtArgVal>(width), XtNheight,
                                    static_cast<XtArgVal>(height), nullptr);
  shells_.push_back(shell);
  return XtVaCreateManagedWidget("form", xmFormWidgetClass, shell, nullptr);
}

void XtFixture::Show(Widget w) {
  Widget shell = w;
  while (XtParent(shell)) shell = XtParent(shell);
  XtRealizeWidget(shell);
  XtMapWidget(shell);
  for (int i = 0; i < 200 && !IsShown(display_, XtWindow(w)); ++i) Pump();
  Pump();
}

void XtFixture::Pump() {
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

Grab XtFixture::GrabWindow(Widget w) {
  XSync(display_, False);
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, nullptr);
  Grab g = GrabArea(display_, XtWindow(w), Rect{0, 0, width, height});
  if (g.pixels.empty()) ADD_FAILURE() << "XGetImage failed";
  return g;
}

}  // namespace tremoscan::testing
