// gui_test_util.h - driving widget-layer windows from a test the way a
// person would: pumping events, finding widgets by name, pressing buttons
// from a toolkit timer while a dialog waits for its answer.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <functional>
#include <string>

namespace tremoscan::testing {

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
