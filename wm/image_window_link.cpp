// image_window_link.cpp - where the widget layer meets the suite's image
// windows.
//
// Image windows live in the shared arena and are drawn by display
// processes; only a process attached to the arena can have any, and the
// window registry that answers for an attached process is not part of this
// build. So every process here is in the unattached case: no X window
// belongs to an image window, and there is nobody to hand the display or
// the first form's window id to. These three calls are where the registry
// plugs in.
#include "wm_state.h"

namespace wm {

long ImageWindowOfXWindow(Window) { return 0; }

void HandDisplayToImageWindows(Display*) {}

void PublishFirstForm(Widget) {}

}  // namespace wm
