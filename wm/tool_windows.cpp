// tool_windows.cpp - tool windows kept with the shell they serve.
//
// A tool window (an image window's display, a palette) attached to a shell
// becomes transient for it, so the window manager keeps the tool above the
// shell and iconifies them together. PA_ATTACH_TOOLS (default on) lets a
// user who prefers free-floating tools switch this off.
#include <X11/Xutil.h>

#include <cstdio>

#include "iwbase.h"
#include "wm_state.h"

extern "C" {

int WMAttachToolWindow(Widget top_shell, Window tool_window) try {
  int attach = 1;
  IWRtVarBool("PA_ATTACH_TOOLS", &attach, 1);
  if (!attach) return 0;
  if (!top_shell || !XtIsRealized(top_shell)) {
    printf("Can not attach; top shell not realized\n");
    fflush(stdout);
    return 0;
  }
  if (!tool_window) return 0;
  XSetTransientForHint(XtDisplay(top_shell), tool_window, XtWindow(top_shell));
  XFlush(XtDisplay(top_shell));
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMAttachToolWindow");
  return {};
}

}  // extern "C"
