// gui_test_util.cpp - see gui_test_util.h.
#include "gui_test_util.h"

#include <X11/Xatom.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>

#include <unistd.h>

#include <chrono>
#include <vector>

#include "config_testing.h"
#include "wmlib.h"

namespace tremoscan::testing {

void PumpEvents(int max_ms) {
  XtAppContext app = WMRtAppContext();
  if (!app) return;
  XSync(WMRtDisplay(), False);
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
  while (std::chrono::steady_clock::now() < end) {
    if (XtAppPending(app)) {
      XtAppProcessEvent(app, XtIMAll);
    } else {
      XSync(WMRtDisplay(), False);
      if (!XtAppPending(app)) break;
    }
  }
}

void RunEventsFor(int ms) {
  XtAppContext app = WMRtAppContext();
  if (!app) return;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (XtAppPending(app))
      XtAppProcessEvent(app, XtIMAll);
    else
      usleep(2000);
  }
}

Widget FindWidget(Widget root, const char* pattern) {
  if (!root) return nullptr;
  return XtNameToWidget(root, pattern);
}

namespace {

void RunAction(XtPointer client, XtIntervalId*) {
  auto* action = static_cast<std::function<void()>*>(client);
  (*action)();
  delete action;
}

}  // namespace

void AfterDelay(int delay_ms, std::function<void()> action) {
  XtAppAddTimeOut(WMRtAppContext(), static_cast<unsigned long>(delay_ms), RunAction,
                  new std::function<void()>(std::move(action)));
}

void Press(Widget button) {
  ASSERT_NE(button, nullptr);
  XmPushButtonCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(button, XmNactivateCallback, &cbs);
}

void SendDeleteWindow(Widget shell) {
  Display* dpy = XtDisplay(shell);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = XtWindow(shell);
  event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, XtWindow(shell), False, NoEventMask, &event);
  XFlush(dpy);
}

std::string XmText(XmString s) {
  XmParseMapping separator = XmParseMappingCreate(nullptr, 0);
  XmString newline_component = XmStringSeparatorCreate();
  Arg args[3];
  XtSetArg(args[0], XmNpattern, "\n");
  XtSetArg(args[1], XmNsubstitute, newline_component);
  XtSetArg(args[2], XmNincludeStatus, XmINSERT);
  XmParseMappingSetValues(separator, args, 3);
  XmParseTable table = &separator;
  char* text = static_cast<char*>(
      XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, table, 1, XmOUTPUT_ALL));
  std::string result = text ? text : "";
  XtFree(text);
  XmParseMappingFree(separator);
  XmStringFree(newline_component);
  return result;
}

std::string LabelText(Widget label) {
  XmString s = nullptr;
  XtVaGetValues(label, XmNlabelString, &s, nullptr);
  std::string text = XmText(s);
  XmStringFree(s);
  return text;
}

Geometry WindowGeometry(Widget w) {
  Geometry g{0, 0, 0, 0};
  Display* dpy = XtDisplay(w);
  XWindowAttributes attrs;
  XGetWindowAttributes(dpy, XtWindow(w), &attrs);
  Window child;
  XTranslateCoordinates(dpy, XtWindow(w), DefaultRootWindow(dpy), 0, 0, &g.x, &g.y, &child);
  g.width = attrs.width;
  g.height = attrs.height;
  return g;
}

bool WaitViewable(Widget w, int max_ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_ms);
  while (std::chrono::steady_clock::now() < end) {
    PumpEvents(20);
    if (XtIsRealized(w)) {
      XWindowAttributes attrs;
      XGetWindowAttributes(XtDisplay(w), XtWindow(w), &attrs);
      if (attrs.map_state == IsViewable) return true;
    }
    usleep(5000);
  }
  return false;
}

void WidgetTest::SetUp() {
  iwbase::ResetConfigStateForTesting();
  ASSERT_EQ(WMOpenToolkit(), 1);
  WMSetOffsets(0, 0, 0, 0);
  WMSetMessageHandler(&WidgetTest::Capture, this);
}

void WidgetTest::TearDown() {
  WMSetMessageHandler(nullptr, nullptr);
  WMSetOffsets(0, 0, 0, 0);
  WMSetFrameStyle(WM_FRAME_ETCHED_IN);
  WMSetIntFieldOffset(0);
  WMSetFloatFieldOffset(0);
  DestroyAllShells();
  iwbase::ResetConfigStateForTesting();
}

int WidgetTest::Capture(int, const char* text, void* self) {
  auto* test = static_cast<WidgetTest*>(self);
  test->messages_.push_back(text);
  return test->answer_;
}

void WidgetTest::Show(Widget any) {
  WMRealizeShell();
  ASSERT_TRUE(WaitViewable(any));
}

void DestroyAllShells() {
  // Collected first: destroying a shell takes it out of the layer's list.
  std::vector<Widget> shells;
  for (int i = 0; i < WMRtShellCount(); ++i) shells.push_back(WMRtShell(i));
  for (Widget shell : shells) XtDestroyWidget(shell);
  PumpEvents(20);
}

}  // namespace tremoscan::testing
