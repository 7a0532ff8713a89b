// basic_items.cpp - information labels and function buttons, the items every
// window of the suite is made of, and the Done button that closes a window
// the same way as the window manager's close.
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/ToggleB.h>

#include "wm_state.h"

using namespace wm;

namespace {

Widget PlaceButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                   int flag_b) {
  XmString s = MakeXmString(label);
  Arg args[2];
  XtSetArg(args[0], XmNlabelString, s);
  XtSetArg(args[1], XmNtraversalOn, True);
  Widget button = XtCreateWidget("func_button", xmPushButtonWidgetClass, gWM.current_form, args, 2);
  XmStringFree(s);
  ApplyStandoutColor(button);
  SizeFromText(button, label);
  PlaceItem(button);
  ItemRecord* r = RegisterItem(button, WM_KIND_FUNC_BUTTON);
  r->label = XtNewString(label ? label : "");
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  if (callback) XtAddCallback(button, XmNactivateCallback, callback, client_data);
  return button;
}

}  // namespace

extern "C" {

Widget WMInfoLabel(const char* text, XtPointer data) {
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
}

void WMSetLabelAlignment(Widget widget, int how) {
  if (!widget || !(XmIsLabel(widget) || XmIsToggleButton(widget))) return;
  unsigned char alignment = XmALIGNMENT_BEGINNING;
  if (how == WM_ALIGN_END) alignment = XmALIGNMENT_END;
  if (how == WM_ALIGN_CENTER) alignment = XmALIGNMENT_CENTER;
  XtVaSetValues(widget, XmNalignment, alignment, nullptr);
}

Widget WMFuncButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                    int flag_b) {
  if (!gWM.current_form) return nullptr;
  return PlaceButton(label, callback, client_data, flag_a, flag_b);
}

Widget WMDoneButton(const char* label, XtCallbackProc callback, XtPointer client_data, int flag_a,
                    int flag_b) {
  if (!gWM.current_form) return nullptr;
  Widget form = gWM.current_form;
  Widget button = PlaceButton(label ? label : "Done", callback, client_data, flag_a, flag_b);
  XtVaSetValues(form, XmNcancelButton, button, nullptr);
  WMSetDeleteCallback(ShellOf(form), callback, client_data);
  return button;
}

}  // extern "C"
