// bars.cpp - the progress bar and the status bar, both showing the
// caller's int.
//
// The progress bar is the layer's ProgressBar widget "ProgressBar" in an
// XmFrame "ProgressBarFrame" that draws its border. The status bar is a
// thermometer-style XmScale "StatusBar" that the user cannot move. Neither
// follows the caller's int by itself: refreshing the item (WMRefreshItem or
// its refresh group) copies the int into it.
#include <Xm/Frame.h>
#include <Xm/Scale.h>

#include "ProgressBar.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct BoundBar : ItemExtension {
  int* value = nullptr;  // the caller's int
  bool scale = false;    // an XmScale (clamped to its range) rather than a progress bar

  void Redisplay(Widget bar) override {
    if (!value) return;
    if (!scale) {
      XtVaSetValues(bar, XmNvalue, *value, nullptr);
      return;
    }
    int minimum = 0, maximum = 0;
    XtVaGetValues(bar, XmNminimum, &minimum, XmNmaximum, &maximum, nullptr);
    XmScaleSetValue(bar, *value < minimum ? minimum : (*value > maximum ? maximum : *value));
  }
};

ItemRecord* Register(Widget bar, int kind, int* value, bool scale, int flag_a, int flag_b) {
  ItemRecord* r = RegisterItem(bar, kind);
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  auto bound = std::make_unique<BoundBar>();
  bound->value = value;
  bound->scale = scale;
  r->extension = std::move(bound);
  r->extension->Redisplay(bar);
  return r;
}

}  // namespace

extern "C" {

Widget WMProgressBar(int width, int height, int* value, int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  Arg frame_args[1];
  XtSetArg(frame_args[0], XmNshadowType, XmSHADOW_IN);
  Widget frame = XtCreateWidget("ProgressBarFrame", xmFrameWidgetClass, gWM.current_form, frame_args, 1);
  Arg args[6];
  Cardinal n = 0;
  if (width > 0) {
    XtSetArg(args[n], XmNwidth, width); ++n;
  }
  if (height > 0) {
    XtSetArg(args[n], XmNheight, height); ++n;
  }
  XtSetArg(args[n], XmNvalue, value ? *value : 0); ++n;
  // The frame draws the border: the bar's own shadow would double it.
  XtSetArg(args[n], XmNshadowThickness, 0); ++n;
  XtSetArg(args[n], XmNtraversalOn, False); ++n;
  XtSetArg(args[n], XmNhighlightThickness, 0); ++n;
  Widget bar = XtCreateManagedWidget("ProgressBar", progressBarWidgetClass, frame, args, n);
  PlaceItem(frame);
  ItemRecord* r = Register(bar, WM_KIND_PROGRESS_BAR, value, false, flag_a, flag_b);
  r->children = reinterpret_cast<Widget*>(XtMalloc(2 * sizeof(Widget)));
  r->children[0] = frame;
  r->children[1] = bar;
  r->child_count = 2;
  return bar;
} catch (...) {
  wm::ReportEscapedException("WMProgressBar");
  return {};
}

Widget WMStatusBar(const char* title, int width, int maximum, int* value, int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  XmString xm_title = MakeXmString(title);
  int start = value ? *value : 0;
  if (start < 0) start = 0;
  if (start > maximum) start = maximum;
  Arg args[10];
  Cardinal n = 0;
  XtSetArg(args[n], XmNorientation, XmHORIZONTAL); ++n;
  XtSetArg(args[n], XmNslidingMode, XmTHERMOMETER); ++n;
  XtSetArg(args[n], XmNtraversalOn, False); ++n;
  XtSetArg(args[n], XmNeditable, False); ++n;
  XtSetArg(args[n], XmNminimum, 0); ++n;
  XtSetArg(args[n], XmNmaximum, maximum > 0 ? maximum : 1); ++n;
  XtSetArg(args[n], XmNvalue, start); ++n;
  XtSetArg(args[n], XmNtitleString, xm_title); ++n;
  if (width > 0) {
    XtSetArg(args[n], XmNscaleWidth, width); ++n;
  }
  Widget scale = XtCreateWidget("StatusBar", xmScaleWidgetClass, gWM.current_form, args, n);
  XmStringFree(xm_title);
  PlaceItem(scale);
  if (width <= 0) XtVaSetValues(scale, XmNrightAttachment, XmATTACH_FORM, nullptr);
  Register(scale, WM_KIND_STATUS_BAR, value, true, flag_a, flag_b);
  return scale;
} catch (...) {
  wm::ReportEscapedException("WMStatusBar");
  return {};
}

}  // extern "C"
