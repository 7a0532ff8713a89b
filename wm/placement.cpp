// placement.cpp - the placement cursor and the form stack.
//
// Every placing call ends in PlaceItem, which attaches the new widget with
// XmForm attachments:
//   first item of a shell's form  -> left and top edge on the form
//   first item of a new row       -> left edge on the form, top edge under
//                                    `top` (the FIRST item of the previous
//                                    row, so rows line up on the left)
//   any other item                -> left edge right of `left` (the item
//                                    placed last), top edge under `top`
// with the four spacing offsets in force. The form stack saves and restores
// the whole cursor so that frames can nest 50 deep.
#include <Xm/Form.h>
#include <Xm/PushB.h>

#include "wm_state.h"

namespace wm {
namespace {

void AttachTop(Arg* args, Cardinal* n) {
  if (gWM.top == gWM.current_form || !gWM.top) {
    XtSetArg(args[*n], XmNtopAttachment, XmATTACH_FORM); ++*n;
  } else {
    XtSetArg(args[*n], XmNtopAttachment, XmATTACH_WIDGET); ++*n;
    XtSetArg(args[*n], XmNtopWidget, gWM.top); ++*n;
  }
}

}  // namespace

void PlaceItem(Widget w) {
  AssertWidgetLayerState();
  Arg args[12];
  Cardinal n = 0;
  if (gWM.first_in_form) {
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM); ++n;
    gWM.new_row = 0;
    gWM.first_in_form = 0;
    gWM.xstart = w;
  } else if (gWM.new_row) {
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
    AttachTop(args, &n);
    gWM.xstart = w;
    gWM.new_row = 0;
  } else {
    if (gWM.left == gWM.current_form || !gWM.left) {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
    } else {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET); ++n;
      XtSetArg(args[n], XmNleftWidget, gWM.left); ++n;
    }
    AttachTop(args, &n);
  }
  XtSetArg(args[n], XmNleftOffset, gWM.off_left); ++n;
  XtSetArg(args[n], XmNrightOffset, gWM.off_right); ++n;
  XtSetArg(args[n], XmNtopOffset, gWM.off_top); ++n;
  XtSetArg(args[n], XmNbottomOffset, gWM.off_bottom); ++n;
  XtSetValues(w, args, n);
  gWM.left = w;
  XtManageChild(w);
}

Widget CreateAndPlace(const char* name, WidgetClass cls, ArgList args, Cardinal nargs) {
  if (!gWM.current_form) return nullptr;
  Widget w = XtCreateWidget(name, cls, gWM.current_form, args, nargs);
  if (cls == xmPushButtonWidgetClass) ApplyStandoutColor(w);
  PlaceItem(w);
  return w;
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMNewRow(void) try {
  gWM.top = gWM.xstart;
  gWM.left = gWM.current_form;
  gWM.new_row = 1;
} catch (...) {
  wm::ReportEscapedException("WMNewRow");
}

void WMSetOffsets(int left, int right, int top, int bottom) try {
  if (left < 0 || right < 0 || top < 0 || bottom < 0) return;
  gWM.off_left = left;
  gWM.off_right = right;
  gWM.off_top = top;
  gWM.off_bottom = bottom;
} catch (...) {
  wm::ReportEscapedException("WMSetOffsets");
}

void WMAttachRightToForm(void) try {
  if (gWM.left && gWM.left != gWM.current_form)
    XtVaSetValues(gWM.left, XmNrightAttachment, XmATTACH_FORM, nullptr);
} catch (...) {
  wm::ReportEscapedException("WMAttachRightToForm");
}

void WMAttachBottomToForm(Widget widget) try {
  if (!widget) widget = gWM.left;
  if (widget && widget != gWM.current_form)
    XtVaSetValues(widget, XmNbottomAttachment, XmATTACH_FORM, nullptr);
} catch (...) {
  wm::ReportEscapedException("WMAttachBottomToForm");
}

int WMPushForm(Widget form) try {
  AssertWidgetLayerState();
  if (gWM.stack_depth >= WM_FORM_STACK_DEPTH) return 0;
  gWM.stack[gWM.stack_depth++] = {gWM.current_form, gWM.xstart, gWM.left, gWM.top, gWM.new_row};
  gWM.current_form = form;
  gWM.left = gWM.top = form;
  gWM.new_row = 1;
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMPushForm");
  return {};
}

void WMPopForm(void) try {
  AssertWidgetLayerState();
  if (gWM.stack_depth <= 0) return;
  const FormStackEntry& e = gWM.stack[--gWM.stack_depth];
  gWM.current_form = e.current_form;
  gWM.xstart = e.xstart;
  gWM.left = e.left;
  gWM.top = e.top;
  gWM.new_row = e.new_row;
} catch (...) {
  wm::ReportEscapedException("WMPopForm");
}

int WMRtFormStackDepth(void) { return gWM.stack_depth; }
Widget WMRtCurrentForm(void) { return gWM.current_form; }
Widget WMRtLastItem(void) { return gWM.left; }

}  // extern "C"
