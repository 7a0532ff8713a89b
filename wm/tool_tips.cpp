// tool_tips.cpp - tool tips: a short text shown next to an item when the
// pointer rests on it.
//
// All tips share one override-redirect shell "tooltip_shell" with one label
// "tooltip_label", created on first use. The texts live in a table by
// widget; an item gets its tip when it is registered (the pending tip of
// WMSetToolTipForNext) or through WMSetToolTip.
//
//   idle --enter item with a tip, tips on--> waiting   [TipCrossingEH]
//   waiting --750 ms--> shown                          [ShowTipTO]
//   waiting|shown --leave, button press--> idle        [HideTip]
//
// PA_DO_TOOLTIPS (default on) switches all tips; it is read at each entry
// so that a change by another tool of the suite takes effect at once.
#include <X11/Shell.h>
#include <Xm/Label.h>
#include <Xm/RowColumn.h>

#include <map>
#include <string>

#include "iwbase.h"
#include "tip_placement.h"
#include "wm_state.h"

using namespace wm;

namespace {

const unsigned long kTipDelayMs = 750;

struct ToolTipState {
  Widget shell = nullptr;                // "tooltip_shell", created once
  Widget label = nullptr;                // "tooltip_label" in it
  XtIntervalId timer = 0;                // pending show, 0 when none
  Widget item = nullptr;                 // the item the pending or shown tip belongs to
  std::map<Widget, std::string> texts;   // tip text by item
} gTips;

bool TipsOn() {
  int on = 1;
  IWRtVarBool("PA_DO_TOOLTIPS", &on, 1);
  return on != 0;
}

void EnsureTipShell() {
  if (gTips.shell) return;
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNallowShellResize, True); ++n;
  XtSetArg(args[n], XmNmappedWhenManaged, False); ++n;
  XtSetArg(args[n], XmNborderWidth, 1); ++n;
  XtSetArg(args[n], XmNoverrideRedirect, True); ++n;
  // A shell of its own, not a child of some window's shell: it must outlive
  // every window the program opens and closes.
  gTips.shell = XtAppCreateShell("tooltip_shell", WMRtApplicationClass(), overrideShellWidgetClass,
                                 gWM.display, args, n);
  gTips.label = XtVaCreateManagedWidget("tooltip_label", xmLabelWidgetClass, gTips.shell,
                                        XmNalignment, XmALIGNMENT_BEGINNING, nullptr);
  Pixel pale;
  if (AllocNamedColor("lightyellow", &pale)) XtVaSetValues(gTips.label, XmNbackground, pale, nullptr);
  XtRealizeWidget(gTips.shell);
}

void HideTip() {
  if (gTips.timer) {
    XtRemoveTimeOut(gTips.timer);
    gTips.timer = 0;
  }
  if (gTips.shell && XtIsRealized(gTips.shell)) XtUnmapWidget(gTips.shell);
  gTips.item = nullptr;
}

ScreenRect RectOf(Widget w) {
  Position x = 0, y = 0;
  XtTranslateCoords(w, 0, 0, &x, &y);
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  return {x, y, width, height};
}

bool IsMenuEntry(Widget w) {
  Widget parent = XtParent(w);
  if (!parent || !XmIsRowColumn(parent)) return false;
  unsigned char type = 0;
  XtVaGetValues(parent, XmNrowColumnType, &type, nullptr);
  return type == XmMENU_PULLDOWN || type == XmMENU_POPUP;
}

void ShowTipTO(XtPointer, XtIntervalId*) {
  gTips.timer = 0;
  Widget item = gTips.item;
  auto it = gTips.texts.find(item);
  if (!item || it == gTips.texts.end() || !XtIsRealized(item)) return;
  EnsureTipShell();
  XmString text = MakeXmString(it->second.c_str());
  XtVaSetValues(gTips.label, XmNlabelString, text, nullptr);
  XmStringFree(text);
  Dimension width = 0, height = 0, border = 0;
  XtVaGetValues(gTips.shell, XmNwidth, &width, XmNheight, &height, XmNborderWidth, &border, nullptr);
  Display* dpy = XtDisplay(item);
  int screen = DefaultScreen(dpy);
  ScreenRect menu{};
  bool in_menu = IsMenuEntry(item);
  if (in_menu) menu = RectOf(XtParent(item));
  TipPosition at = PlaceTip(RectOf(item), width + 2 * border, height + 2 * border,
                            DisplayWidth(dpy, screen), DisplayHeight(dpy, screen),
                            in_menu ? &menu : nullptr);
  XtVaSetValues(gTips.shell, XmNx, static_cast<Position>(at.x), XmNy, static_cast<Position>(at.y),
                nullptr);
  XtMapWidget(gTips.shell);
  XRaiseWindow(dpy, XtWindow(gTips.shell));
}

void TipCrossingEH(Widget w, XtPointer, XEvent* event, Boolean*) try {
  if (event->type == EnterNotify) {
    HideTip();
    if (!TipsOn() || gTips.texts.find(w) == gTips.texts.end()) return;
    gTips.item = w;
    gTips.timer = XtAppAddTimeOut(XtWidgetToApplicationContext(w), kTipDelayMs, ShowTipTO, nullptr);
  } else if (gTips.item == w) {
    HideTip();  // leaving the item or pressing a button on it
  }
} catch (...) {
  wm::ReportEscapedException("TipCrossingEH");
}

void ForgetTipCB(Widget w, XtPointer, XtPointer) try {
  if (gTips.item == w) HideTip();
  gTips.texts.erase(w);
} catch (...) {
  wm::ReportEscapedException("ForgetTipCB");
}

}  // namespace

extern "C" {

void WMSetToolTip(Widget w, const char* text) try {
  // Gadgets have no window of their own to notice the pointer.
  if (!w || !XtIsWidget(w)) return;
  bool known = gTips.texts.count(w) != 0;
  if (!text || !*text) {
    if (known) {
      if (gTips.item == w) HideTip();
      gTips.texts.erase(w);
      XtRemoveEventHandler(w, EnterWindowMask | LeaveWindowMask | ButtonPressMask, False, TipCrossingEH,
                           nullptr);
      XtRemoveCallback(w, XmNdestroyCallback, ForgetTipCB, nullptr);
    }
    return;
  }
  gTips.texts[w] = text;
  if (!known) {
    XtAddEventHandler(w, EnterWindowMask | LeaveWindowMask | ButtonPressMask, False, TipCrossingEH,
                      nullptr);
    XtAddCallback(w, XmNdestroyCallback, ForgetTipCB, nullptr);
  }
} catch (...) {
  wm::ReportEscapedException("WMSetToolTip");
}

const char* WMRtToolTip(Widget w) try {
  auto it = gTips.texts.find(w);
  return it == gTips.texts.end() ? nullptr : it->second.c_str();
} catch (...) {
  wm::ReportEscapedException("WMRtToolTip");
  return {};
}

int WMRtDoToolTips(void) { return TipsOn() ? 1 : 0; }

void WMSetDoToolTips(int on) try {
  IWAlVarBool("PA_DO_TOOLTIPS", on ? 1 : 0);
  IWSaveUserConfig();
  if (!on) HideTip();
} catch (...) {
  wm::ReportEscapedException("WMSetDoToolTips");
}

void WMFlipDoToolTips(void) { WMSetDoToolTips(TipsOn() ? 0 : 1); }

Widget WMRtToolTipShell(void) { return gTips.shell; }

}  // extern "C"
