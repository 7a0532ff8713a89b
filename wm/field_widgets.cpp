// field_widgets.cpp - the Motif side every input field of the layer shares:
// the text field widget in the layer's colours, selection of the whole text
// on focus (so typing replaces a value instead of extending it), the last
// accepted text, and the dialog parent while a field reacts to input.
#include <Xm/TextF.h>

#include <algorithm>

#include "fields.h"
#include "wmlib.h"
#include "xdnd_receiver.h"

extern "C" {

// Focus on a field selects its whole text, so typing replaces it. The
// focus event carries no time stamp of its own: the selection is owned with
// the time of the last event the toolkit processed.
void WMselecttextfield(Widget w, XtPointer, XtPointer) try {
  XmTextFieldSetSelection(w, 0, XmTextFieldGetLastPosition(w), XtLastTimestampProcessed(XtDisplay(w)));
} catch (...) {
  wm::ReportEscapedException("WMselecttextfield");
}

}  // extern "C"

namespace wm {

Widget PlaceFieldWidget(const char* name, int columns, int max_len, const char* initial_text) {
  Arg args[6];
  Cardinal n = 0;
  XtSetArg(args[n], XmNcolumns, columns); ++n;
  XtSetArg(args[n], XmNmaxLength, max_len); ++n;
  XtSetArg(args[n], XmNeditable, True); ++n;
  XtSetArg(args[n], XmNtraversalOn, True); ++n;
  XtSetArg(args[n], XmNvalue, initial_text ? initial_text : ""); ++n;
  Widget field = XtCreateWidget(name, xmTextFieldWidgetClass, gWM.current_form, args, n);
  Pixel color;
  if (AllocNamedColor(WMRtTextFieldColor(), &color)) XtVaSetValues(field, XmNbackground, color, nullptr);
  PlaceItem(field);
  return field;
}

void AddFieldBehaviour(Widget field) {
  XtAddCallback(field, XmNfocusCallback, WMselecttextfield, nullptr);
  RegisterFieldDropSite(field);
  MakeFieldDropAware(field);
}

void ShowAccepted(ItemRecord* r, const std::string& text) {
  XtFree(r->accepted);
  r->accepted = XtNewString(text.c_str());
  XmTextFieldSetString(r->widget, r->accepted);
}

std::string FieldText(Widget field) {
  char* raw = XmTextFieldGetString(field);
  std::string text = raw ? raw : "";
  XtFree(raw);
  return text;
}

FieldDialogParent::FieldDialogParent(Widget field) : previous_(gWM.dialog_parent) {
  WMSetDialogParent(ShellOf(field));
}

// The field's callback may have destroyed the shell that was the override
// before: only a shell the layer still knows is restored.
FieldDialogParent::~FieldDialogParent() {
  bool known = !previous_ || std::find(gWM.shells.begin(), gWM.shells.end(), previous_) != gWM.shells.end();
  WMSetDialogParent(known ? previous_ : nullptr);
}

}  // namespace wm
