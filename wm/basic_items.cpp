// basic_items.cpp - information labels and function buttons, the items every
// window of the suite is made of, and the Done button that closes a window
// the same way as the window manager's close.
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/ToggleB.h>

#include "wm_state.h"

using namespace wm;

namespace wm {

Widget PlaceFuncButton(const char* label, const char* sizing_text) {
  XmString s = MakeXmString(label);
  Arg args[2];
  XtSetArg(args[0], XmNlabelString, s);
  XtSetArg(args[1], XmNtraversalOn, True);
  Widget button = XtCreateWidget("func_button", xmPushButtonWidgetClass, gWM.current_form, args, 2);
  XmStringFree(s);
  ApplyStandoutColor(button);
  SizeFromText(button, sizing_text);
  PlaceItem(button);
  return button;
}

}  // namespace wm

namespace {

Widget PlaceButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                   int flag_b) {
  Widget button = PlaceFuncButton(label, label);
  ItemRecord* r = RegisterItem(button, WM_KIND_FUNC_BUTTON);
  r->label = XtNewString(label ? label : "");
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  if (callback) XtAddCallback(button, XmNactivateCallback, callback, client_data);
  return button;
}

// Repetition of a held button: armed, the button waits a moment, then calls
// its activate callbacks again and again while mouse button 1 stays down
// with the pointer on the button's window.
const unsigned long kFirstRepeatMs = 400;
const unsigned long kRepeatMs = 100;

struct Repeater {
  Widget button;
  XtIntervalId timer;
};

bool HeldOnButton(Widget button) {
  Window root, child;
  int rx, ry, wx, wy;
  unsigned int mask;
  if (!XtWindow(button) ||
      !XQueryPointer(XtDisplay(button), XtWindow(button), &root, &child, &rx, &ry, &wx, &wy, &mask))
    return false;
  Dimension w = 0, h = 0;
  XtVaGetValues(button, XmNwidth, &w, XmNheight, &h, nullptr);
  return (mask & Button1Mask) && wx >= 0 && wy >= 0 && wx < w && wy < h;
}

}  // namespace

extern "C" void WMcontinuous_callbacks_timeout(XtPointer client, XtIntervalId*) {
  auto* r = static_cast<Repeater*>(client);
  r->timer = 0;
  if (!HeldOnButton(r->button)) return;
  XmPushButtonCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(r->button, XmNactivateCallback, &cbs);
  r->timer = XtAppAddTimeOut(XtWidgetToApplicationContext(r->button), kRepeatMs,
                             WMcontinuous_callbacks_timeout, r);
}

namespace {

void StartRepeatCB(Widget, XtPointer client, XtPointer) try {
  auto* r = static_cast<Repeater*>(client);
  if (r->timer) XtRemoveTimeOut(r->timer);
  r->timer = XtAppAddTimeOut(XtWidgetToApplicationContext(r->button), kFirstRepeatMs,
                             WMcontinuous_callbacks_timeout, r);
} catch (...) {
  wm::ReportEscapedException("StartRepeatCB");
}

void StopRepeatCB(Widget, XtPointer client, XtPointer) try {
  auto* r = static_cast<Repeater*>(client);
  if (r->timer) XtRemoveTimeOut(r->timer);
  r->timer = 0;
} catch (...) {
  wm::ReportEscapedException("StopRepeatCB");
}

void FreeRepeaterCB(Widget w, XtPointer client, XtPointer) try {
  StopRepeatCB(w, client, nullptr);
  delete static_cast<Repeater*>(client);
} catch (...) {
  wm::ReportEscapedException("FreeRepeaterCB");
}

}  // namespace

extern "C" {

void WMSetContinuousCallbacks(Widget button) try {
  if (!button || !XmIsPushButton(button)) return;
  auto* r = new Repeater{button, 0};
  XtAddCallback(button, XmNarmCallback, StartRepeatCB, r);
  XtAddCallback(button, XmNdisarmCallback, StopRepeatCB, r);
  XtAddCallback(button, XmNdestroyCallback, FreeRepeaterCB, r);
} catch (...) {
  wm::ReportEscapedException("WMSetContinuousCallbacks");
}

Widget WMInfoLabel(const char* text, XtPointer data) try {
  if (!gWM.current_form) return nullptr;
  XmString s = MakeXmString(text);
  Arg args[2];
  XtSetArg(args[0], XmNlabelString, s);
  XtSetArg(args[1], XmNuserData, data);
  Widget label = XtCreateWidget("info", xmLabelWidgetClass, gWM.current_form, args, 2);
  XmStringFree(s);
  SizeFromText(label, text);
  PlaceItem(label);
  ItemRecord* r = RegisterItem(label, WM_KIND_INFO_LABEL);
  r->label = XtNewString(text ? text : "");
  return label;
} catch (...) {
  wm::ReportEscapedException("WMInfoLabel");
  return {};
}

void WMSetLabelAlignment(Widget widget, int how) try {
  if (!widget || !(XmIsLabel(widget) || XmIsToggleButton(widget))) return;
  unsigned char alignment = XmALIGNMENT_BEGINNING;
  if (how == WM_ALIGN_END) alignment = XmALIGNMENT_END;
  if (how == WM_ALIGN_CENTER) alignment = XmALIGNMENT_CENTER;
  XtVaSetValues(widget, XmNalignment, alignment, nullptr);
} catch (...) {
  wm::ReportEscapedException("WMSetLabelAlignment");
}

Widget WMFuncButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                    int flag_b) try {
  if (!gWM.current_form) return nullptr;
  return PlaceButton(label, callback, client_data, flag_a, flag_b);
} catch (...) {
  wm::ReportEscapedException("WMFuncButton");
  return {};
}

Widget WMDoneButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                    int flag_b) try {
  if (!gWM.current_form) return nullptr;
  Widget form = gWM.current_form;
  Widget button = PlaceButton(label ? label : "Done", callback, client_data, flag_a, flag_b);
  XtVaSetValues(form, XmNcancelButton, button, nullptr);
  WMSetDeleteCallback(ShellOf(form), callback, client_data);
  return button;
} catch (...) {
  wm::ReportEscapedException("WMDoneButton");
  return {};
}

}  // extern "C"
