// input_driver.cpp - see input_driver.h.
#include "gui_test_util.h"  // before the X headers: Xlib's None clashes with gtest
#include "input_driver.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>

#include <unistd.h>

#include <chrono>

#include "wmlib.h"

namespace tremoscan::testing {
namespace {

Display* Dpy() { return WMRtDisplay(); }

void Settle() {
  XSync(Dpy(), False);
  PumpEvents(50);
}

void KeyEvent(KeySym key, bool down) {
  KeyCode code = XKeysymToKeycode(Dpy(), key);
  if (code) XTestFakeKeyEvent(Dpy(), code, down ? True : False, CurrentTime);
}

}  // namespace

void FocusOn(Widget w) {
  Widget shell = w;
  while (shell && !XtIsShell(shell)) shell = XtParent(shell);
  WaitViewable(w);
  XSetInputFocus(Dpy(), XtWindow(shell), RevertToParent, CurrentTime);
  Settle();
  XmProcessTraversal(w, XmTRAVERSE_CURRENT);
  Settle();
}

void TypeText(const std::string& text) {
  for (char c : text) {
    KeySym key = static_cast<unsigned char>(c);
    if (c == ' ') key = XK_space;
    KeyCode code = XKeysymToKeycode(Dpy(), key);
    if (!code) continue;
    bool shift = XkbKeycodeToKeysym(Dpy(), code, 0, 0) != key;
    if (shift) KeyEvent(XK_Shift_L, true);
    XTestFakeKeyEvent(Dpy(), code, True, CurrentTime);
    XTestFakeKeyEvent(Dpy(), code, False, CurrentTime);
    if (shift) KeyEvent(XK_Shift_L, false);
  }
  Settle();
}

void PressKey(KeySym key, KeySym modifier) {
  if (modifier) KeyEvent(modifier, true);
  KeyEvent(key, true);
  KeyEvent(key, false);
  if (modifier) KeyEvent(modifier, false);
  Settle();
}

void TypeIntoField(Widget field, const std::string& text) {
  FocusOn(field);
  TypeText(text);
  PressKey(XK_Return);
}

void MovePointerTo(Widget w, int x, int y) {
  Position rx = 0, ry = 0;
  XtTranslateCoords(w, static_cast<Position>(x), static_cast<Position>(y), &rx, &ry);
  XTestFakeMotionEvent(Dpy(), DefaultScreen(Dpy()), rx, ry, CurrentTime);
  Settle();
}

void ClickAt(Widget w, int x, int y) {
  MovePointerTo(w, x, y);
  XTestFakeButtonEvent(Dpy(), 1, True, CurrentTime);
  XTestFakeButtonEvent(Dpy(), 1, False, CurrentTime);
  Settle();
}

void ClickOn(Widget w) {
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  ClickAt(w, width / 2, height / 2);
}

}  // namespace tremoscan::testing
