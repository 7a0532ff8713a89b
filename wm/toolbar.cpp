// toolbar.cpp - a toolbar: a row (or column) of buttons showing pictures.
//
// WMBeginToolbar places the form "toolbar" (no margins) and pushes it;
// the buttons placed until WMEndToolbar line up in it side by side, or one
// under the other for a vertical toolbar, each with its spacing before it.
// A button shows the XPM picture config/pixmaps/<file> of the suite base
// directory (transparent parts in the button's colour), with its label
// beside it or alone when no picture can be loaded. Only one toolbar may be
// open at a time.
#include <X11/xpm.h>
#include <Xm/Form.h>
#include <Xm/PushB.h>

#include <cstdio>
#include <cstdlib>

#include "iwbase.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct ToolbarState {
  Widget toolbar = nullptr;  // the open toolbar, null when none
  bool horizontal = true;    // buttons side by side (else one under the other)
  int depth_before = 0;      // form-stack depth before it was pushed
  int buttons = 0;           // buttons placed in it so far
} gToolbar;

// Loads config/pixmaps/<file> for `button`, its transparent pixels in the
// button's background colour. 0 when there is no such picture.
Pixmap LoadButtonPixmap(Widget button, const char* file) {
  if (!file || !*file) return 0;
  char base[IW_PATH_MAX];
  IWRtBaseDir(base);
  char path[2 * IW_PATH_MAX];
  snprintf(path, sizeof path, "%s/config/pixmaps/%s", base, file);
  Pixel background = 0;
  XtVaGetValues(button, XmNbackground, &background, nullptr);
  XpmColorSymbol transparent = {nullptr, const_cast<char*>("None"), background};
  XpmAttributes attributes = {};
  attributes.valuemask = XpmColorSymbols;
  attributes.colorsymbols = &transparent;
  attributes.numsymbols = 1;
  Display* dpy = XtDisplay(button);
  Pixmap pixmap = 0, mask = 0;
  if (XpmReadFileToPixmap(dpy, RootWindowOfScreen(XtScreen(button)), path, &pixmap, &mask,
                          &attributes) != XpmSuccess)
    return 0;
  if (mask) XFreePixmap(dpy, mask);
  XpmFreeAttributes(&attributes);
  return pixmap;
}

}  // namespace

extern "C" {

Widget WMBeginToolbar(int horizontal) try {
  if (gToolbar.toolbar && gWM.stack_depth > gToolbar.depth_before) {
    fprintf(stderr, "WMMenu: Previous Toolbar must be ended before starting a new one\n");
    exit(-1);
  }
  if (!gWM.current_form || gWM.stack_depth >= WM_FORM_STACK_DEPTH) return nullptr;
  Arg args[2];
  XtSetArg(args[0], XmNmarginWidth, 0);
  XtSetArg(args[1], XmNmarginHeight, 0);
  Widget toolbar = CreateAndPlace("toolbar", xmFormWidgetClass, args, 2);
  gToolbar = {toolbar, horizontal != 0, gWM.stack_depth, 0};
  WMPushForm(toolbar);
  gWM.left = nullptr;
  return toolbar;
} catch (...) {
  wm::ReportEscapedException("WMBeginToolbar");
  return {};
}

void WMEndToolbar(void) try {
  if (!gToolbar.toolbar) return;
  while (gWM.stack_depth > gToolbar.depth_before) WMPopForm();
  gToolbar = {};
} catch (...) {
  wm::ReportEscapedException("WMEndToolbar");
}

Widget WMToolbarButton(const char* label, int with_text, const char* pixmap_file, const char* tip,
                       int spacing, XtCallbackProc callback, XtPointer client_data) try {
  if (!gWM.current_form) return nullptr;
  const char* name = label && *label ? label : "button";
  XmString text = MakeXmString(label ? label : "");
  Arg args[2];
  XtSetArg(args[0], XmNlabelString, text);
  XtSetArg(args[1], XmNtraversalOn, True);
  Widget button = XtCreateWidget(name, xmPushButtonWidgetClass, gWM.current_form, args, 2);
  XmStringFree(text);
  ApplyStandoutColor(button);
  Pixmap picture = LoadButtonPixmap(button, pixmap_file);
  if (picture) {
    XtVaSetValues(button, XmNlabelPixmap, picture, XmNlabelType,
                  with_text ? XmPIXMAP_AND_STRING : XmPIXMAP, nullptr);
  }

  // The spacing goes before the button, along the toolbar's direction.
  bool in_toolbar = gToolbar.toolbar && gWM.current_form == gToolbar.toolbar;
  bool horizontal = !in_toolbar || gToolbar.horizontal;
  if (in_toolbar && !horizontal && gToolbar.buttons > 0) WMNewRow();
  int saved_left = gWM.off_left, saved_top = gWM.off_top;
  gWM.off_left = horizontal ? spacing : 0;
  gWM.off_top = horizontal ? 0 : spacing;
  PlaceItem(button);
  gWM.off_left = saved_left;
  gWM.off_top = saved_top;
  if (in_toolbar) ++gToolbar.buttons;

  if (tip) WMSetToolTip(button, tip);
  ItemRecord* r = RegisterItem(button, WM_KIND_FUNC_BUTTON);
  r->label = XtNewString(label ? label : "");
  r->callback = callback;
  r->client_data = client_data;
  if (callback) XtAddCallback(button, XmNactivateCallback, callback, client_data);
  return button;
} catch (...) {
  wm::ReportEscapedException("WMToolbarButton");
  return {};
}

}  // extern "C"
