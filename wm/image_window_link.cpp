// image_window_link.cpp - where the widget layer meets the suite's image
// windows.
//
// Image windows live in the shared arena and are drawn by display
// processes; only a process attached to the arena can have any. This file
// answers the layer's three questions for the process: which image window
// owns an X window, where the display goes, and where the first form's
// window id is published. A process that is not attached has no image
// windows: no X window belongs to one, and there is nobody to tell.
#include "iwbase.h"
#include "wm_state.h"

namespace wm {

long ImageWindowOfXWindow(Window) {
  if (!IWIsAttached()) return 0;
  // The window registry of an attached process answers here once it exists.
  return 0;
}

void HandDisplayToImageWindows(Display*) {}

void PublishFirstForm(Widget) {}

}  // namespace wm
