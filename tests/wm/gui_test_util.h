// gui_test_util.h - driving widget-layer windows from a test the way a
// person would: pumping events, finding widgets by name, pressing buttons
// from a toolkit timer while a dialog waits for its answer; and the set-up
// every widget test shares.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace tremoscan::testing {

// The set-up of every widget test: a scratch HOME, the configuration read
// afresh, the toolkit open, placement offsets 0, and every message the
// layer shows handed to the test (messages_; questions get answer_)
// instead of a window. Afterwards every shell is destroyed and the layer's
// settings that outlive a window are back at their defaults.
class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static int Capture(int kind, const char* text, void* self);
  // Realizes the window built last and waits until `any` is on the screen.
  static void Show(Widget any);

  std::vector<std::string> messages_;
  int answer_ = 1;
  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
};

// Waits until `w` is viewable (its shell mapped), pumping events; false
// after `max_ms`.
bool WaitViewable(Widget w, int max_ms = 2000);

// Handles every pending event (timers included) until none is left or
// `max_ms` milliseconds have passed.
void PumpEvents(int max_ms = 100);

// Destroys every shell the widget layer holds (the test's windows and
// dialogs) and handles the events that follow, so the next test starts
// from an empty screen.
void DestroyAllShells();

// Handles events (timers included) for `ms` milliseconds of wall time.
void RunEventsFor(int ms);

// Finds a widget by Xt name pattern (e.g. "*question") below `root`,
// searching pop-up children too; nullptr when absent.
Widget FindWidget(Widget root, const char* pattern);

// Runs `action` from a toolkit timer after `delay_ms`, i.e. while a nested
// event loop of the code under test is waiting.
void AfterDelay(int delay_ms, std::function<void()> action);

// Presses the push button `button` (activate callbacks, as a click does).
void Press(Widget button);

// Sends WM_DELETE_WINDOW to `shell` as a window manager does.
void SendDeleteWindow(Widget shell);

// The text of a compound string, line separators as "\n".
std::string XmText(XmString s);
// The text of a label's or button's label string.
std::string LabelText(Widget label);

// Root-relative position and size of a realized widget's window.
struct Geometry {
  int x, y, width, height;
};
Geometry WindowGeometry(Widget w);

}  // namespace tremoscan::testing
