// status_items.cpp - read-only status fields: a text the program writes
// into, and a drawing area for small status pictures.
//
// The status text "status" is a text field the user can neither edit nor
// tab into, in the window's background colour, showing the caller's text
// from its start; refreshing it shows the text again. The status drawing
// area "status" is a plain drawing area of the given size.
#include <Xm/DrawingA.h>
#include <Xm/TextF.h>

#include "wm_state.h"

using namespace wm;

namespace {

struct StatusText : ItemExtension {
  char* text = nullptr;  // the caller's text

  void Redisplay(Widget field) override {
    XmTextFieldSetString(field, text ? text : const_cast<char*>(""));
    XmTextFieldShowPosition(field, 0);
  }
};

}  // namespace

extern "C" {

Widget WMStatusText(char* text, int length, int flag) try {
  if (!gWM.current_form) return nullptr;
  int columns = length > 0 ? length : 1;
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNcolumns, columns); ++n;
  XtSetArg(args[n], XmNmaxLength, columns); ++n;
  XtSetArg(args[n], XmNeditable, False); ++n;
  XtSetArg(args[n], XmNtraversalOn, False); ++n;
  XtSetArg(args[n], XmNcursorPositionVisible, False); ++n;
  Pixel background;
  if (AllocNamedColor(WMRtStdBackgroundColor(), &background)) {
    XtSetArg(args[n], XmNbackground, background); ++n;
  }
  Widget field = XtCreateWidget("status", xmTextFieldWidgetClass, gWM.current_form, args, n);
  PlaceItem(field);
  ItemRecord* r = RegisterItem(field, WM_KIND_STATUS_TEXT);
  r->refresh_mask = flag;
  auto status = std::make_unique<StatusText>();
  status->text = text;
  r->extension = std::move(status);
  r->extension->Redisplay(field);
  return field;
} catch (...) {
  wm::ReportEscapedException("WMStatusText");
  return {};
}

Widget WMStatusDrawingArea(int width, int height) try {
  if (!gWM.current_form) return nullptr;
  Arg args[2];
  XtSetArg(args[0], XmNwidth, width > 0 ? width : 1);
  XtSetArg(args[1], XmNheight, height > 0 ? height : 1);
  Widget area = CreateAndPlace("status", xmDrawingAreaWidgetClass, args, 2);
  RegisterItem(area, WM_KIND_DRAWING_AREA);
  return area;
} catch (...) {
  wm::ReportEscapedException("WMStatusDrawingArea");
  return {};
}

}  // extern "C"
