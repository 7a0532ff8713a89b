// frames.cpp - framed sub-forms.
//
// A frame is an XmFrame "A Frame" (optionally titled by an XmLabel
// "form_label") holding an XmForm "new_form" into which the following items
// go once the form is pushed. The style "no frame" gives a plain form with a
// title label and a separator instead, for dialogs that group items without
// drawing borders.
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/Separator.h>

#include "wm_state.h"

namespace wm {
namespace {

unsigned char ShadowFor(int style) {
  switch (style) {
    case WM_FRAME_ETCHED_OUT: return XmSHADOW_ETCHED_OUT;
    case WM_FRAME_SHADOW_IN: return XmSHADOW_IN;
    case WM_FRAME_SHADOW_OUT: return XmSHADOW_OUT;
    default: return XmSHADOW_ETCHED_IN;
  }
}

Widget PlainTitledForm(int push, const char* title) {
  bool titled = title && *title;
  Widget form = CreateAndPlace(titled ? title : "new_form", xmFormWidgetClass, nullptr, 0);
  RegisterItem(form, WM_KIND_PLAIN_FORM);
  if (!push) return form;
  WMPushForm(form);
  if (titled) {
    WMSetOffsets(10, 0, 5, 0);
    XmString s = MakeXmString(title);
    Arg arg;
    XtSetArg(arg, XmNlabelString, s);
    CreateAndPlace("form_label", xmLabelWidgetClass, &arg, 1);
    XmStringFree(s);
    WMSetOffsets(5, 0, 16, 0);
    Arg sep;
    XtSetArg(sep, XmNorientation, XmHORIZONTAL);
    CreateAndPlace("form_sep", xmSeparatorWidgetClass, &sep, 1);
    WMAttachRightToForm();
    WMSetOffsets(0, 0, 0, 0);
    WMNewRow();
  }
  return form;
}

}  // namespace
}  // namespace wm

using namespace wm;

extern "C" {

void WMSetFrameStyle(int style) try {
  if (style >= WM_FRAME_ETCHED_IN && style <= WM_FRAME_NONE) gWM.frame_style = style;
} catch (...) {
  wm::ReportEscapedException("WMSetFrameStyle");
}

Widget WMFrame(int push, const char* title) try {
  if (gWM.stack_depth >= WM_FORM_STACK_DEPTH || !gWM.current_form) return nullptr;
  if (gWM.frame_style == WM_FRAME_NONE) return PlainTitledForm(push, title);

  Arg args[1];
  XtSetArg(args[0], XmNshadowType, ShadowFor(gWM.frame_style));
  Widget frame = CreateAndPlace("A Frame", xmFrameWidgetClass, args, 1);
  RegisterItem(frame, WM_KIND_FRAME);
  if (title && *title) {
    XmString s = MakeXmString(title);
    Widget label = XtVaCreateManagedWidget("form_label", xmLabelWidgetClass, frame,
                                           XmNlabelString, s,
                                           XmNframeChildType, XmFRAME_TITLE_CHILD, nullptr);
    (void)label;
    XmStringFree(s);
  }
  Widget form = XtVaCreateManagedWidget("new_form", xmFormWidgetClass, frame,
                                        XmNframeChildType, XmFRAME_WORKAREA_CHILD, nullptr);
  XtVaSetValues(frame, XmNleftOffset, gWM.off_left, XmNrightOffset, gWM.off_right,
                XmNtopOffset, gWM.off_top, XmNbottomOffset, gWM.off_bottom, nullptr);
  if (push) WMPushForm(form);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMFrame");
  return {};
}

}  // extern "C"
