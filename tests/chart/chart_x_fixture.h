// A real X server connection shared by the widget tests of one binary, with
// shells built and destroyed per test, event pumping that also lets idle
// work procedures run, window read-back and a record of X errors and
// toolkit warnings.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>

#include <cstdint>
#include <string>
#include <vector>

namespace chart::x_testing {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;  // pixels
};

// What a window shows, as 0x00RRGGBB per pixel.
struct Grab {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
  // Pixels equal to `rgb` inside `r`.
  int Count(uint32_t rgb, const Rect& r) const;
  // Pixels equal to `rgb` outside `r`.
  int CountOutside(uint32_t rgb, const Rect& r) const;
};

inline constexpr uint32_t kRed = 0xff0000;
inline constexpr uint32_t kGray85 = 0xd9d9d9;

class ChartXTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // A mapped shell with an XmForm of the given size; destroyed after the test.
  Widget MakeForm(int width, int height);
  // Realizes and maps the shell of `w` and waits until `w` is viewable and
  // its first exposure has been handled.
  void Show(Widget w);
  // Handles all pending events, then lets idle work procedures run.
  void Pump();
  Grab GrabWindow(Widget w);
  Rect PlotArea(Widget chart);

  static XtAppContext app_;
  static Display* display_;

 public:
  // Filled by the X error handler and the toolkit warning handler.
  static std::vector<std::string> x_errors_;
  static std::vector<std::string> warnings_;

 private:
  std::vector<Widget> shells_;
};

}  // namespace chart::x_testing
