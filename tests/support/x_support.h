// The X side of the shared test support: looking at and driving other
// clients' windows over a display connection of the test's own (find by
// title, read pixels, click through XTest, ask to close), and a fixture for
// tests that build toolkit widgets in-process (one application context per
// binary, shells destroyed after every test, event pumping that lets idle
// work run, window read-back, X errors and toolkit warnings recorded).
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tremoscan::testing {

// A display connection of its own, closed on destruction.
class XConnection {
 public:
  XConnection();
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  Display* display() const { return dpy_; }

 private:
  Display* dpy_;
};

// The title (WM_NAME) of a window, empty when it has none.
std::string WindowTitle(Display* dpy, Window w);
// A mapped top-level window whose title is `title`, or 0. Top-level means a
// child of the root or, under a window manager, of its frame.
Window FindWindowByTitle(Display* dpy, const std::string& title);
// Waits up to `seconds` for such a window; returns it or 0.
Window WaitForWindowByTitle(Display* dpy, const std::string& title, double seconds);

struct Rect {
  int x = 0, y = 0;           // top-left corner, pixels
  int width = 0, height = 0;  // pixels
};
// Where `w` lies in root coordinates.
Rect RootGeometry(Display* dpy, Window w);
// The child windows of `w`, bottom of the stacking order first.
std::vector<Window> Children(Display* dpy, Window w);
bool IsShown(Display* dpy, Window w);

// What a window or screen area shows, as 0x00RRGGBB per pixel.
struct Grab {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  // Pixels equal to `rgb` inside `r`.
  int Count(uint32_t rgb, const Rect& r) const;
  // Pixels equal to `rgb` outside `r`.
  int CountOutside(uint32_t rgb, const Rect& r) const;
};
// 0x00RRGGBB of a true-colour pixel value with the given channel masks.
uint32_t RgbOfPixel(unsigned long pixel, unsigned long red_mask, unsigned long green_mask,
                    unsigned long blue_mask);
// The pixels of `area` of drawable `d` (a window, or the root for the
// screen); an empty grab when the server refuses.
Grab GrabArea(Display* dpy, Drawable d, const Rect& area);

// A real button-1 click at root position (x, y) through the XTest extension.
void Click(Display* dpy, int x, int y);
// Asks `w` to close the way a window manager does (WM_PROTOCOLS client
// message with WM_DELETE_WINDOW).
void SendDeleteWindow(Display* dpy, Window w);

// Widgets built in-process on the binary's own display.
class XtFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  // Destroys the test's shells and fails the test on any X error.
  void TearDown() override;

  // A shell with an XmForm of the given size; destroyed after the test.
  Widget MakeForm(int width, int height);
  // Realizes and maps the shell of `w` and waits until `w` is viewable and
  // its first exposure has been handled.
  void Show(Widget w);
  // Handles all pending events, then lets idle work procedures run.
  void Pump();
  // What the window of `w` shows.
  Grab GrabWindow(Widget w);

  static XtAppContext app_;
  static Display* display_;

 public:
  // Filled by the X error handler and the toolkit warning handler.
  static std::vector<std::string> x_errors_;
  static std::vector<std::string> warnings_;

 private:
  std::vector<Widget> shells_;
};

}  // namespace tremoscan::testing
