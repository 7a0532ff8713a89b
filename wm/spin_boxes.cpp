// spin_boxes.cpp - spin boxes: a number with arrows, bound to the caller's
// int.
//
// The spin box "spinBox" holds the numeric text field "spinText". An arrow
// click changes the value within minimum..maximum by the step and stores
// it; a number typed into the text is taken on Return or when the text
// loses the focus, with the range message of the integer fields when it
// does not fit.
#include <Xm/SpinB.h>
#include <Xm/TextF.h>

#include <cstdlib>
#include <string>

#include "field_input.h"
#include "fields.h"
#include "item_refresh.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct SpinBox : ItemExtension {
  int* value = nullptr;  // the caller's int
  int minimum = 0;       // smallest value
  int maximum = 0;       // largest value
  int step = 1;          // change per arrow click
  Widget text = nullptr; // the "spinText" field

  void Redisplay(Widget) override {
    if (!value || !text) return;
    int shown = *value < minimum ? minimum : (*value > maximum ? maximum : *value);
    XtVaSetValues(text, XmNposition, shown, nullptr);
    // An unchanged position leaves a refused typed text in place: the
    // number is written out as well.
    XmTextFieldSetString(text, const_cast<char*>(std::to_string(shown).c_str()));
  }
};

SpinBox* SpinOf(ItemRecord* r) { return r ? dynamic_cast<SpinBox*>(r->extension.get()) : nullptr; }

void Store(ItemRecord* r, SpinBox* spin, int value, XtPointer call) {
  if (!spin->value || *spin->value == value) return;
  *spin->value = value;
  int flag = r->refresh_flag, mask = r->refresh_mask;
  if (r->callback) r->callback(r->widget, r->client_data, call);
  RefreshAfterChange(flag, mask);
}

// An arrow changed the value.
void SpinChangedCB(Widget box, XtPointer, XtPointer call) try {
  auto* cbs = static_cast<XmSpinBoxCallbackStruct*>(call);
  ItemRecord* r = FindItem(box);
  SpinBox* spin = SpinOf(r);
  if (!spin || !cbs) return;
  Store(r, spin, cbs->position, call);
} catch (...) {
  wm::ReportEscapedException("SpinChangedCB");
}

// A typed number: taken when it is a number within the range.
void SpinTextCB(Widget text, XtPointer box, XtPointer call) try {
  ItemRecord* r = FindItem(static_cast<Widget>(box));
  SpinBox* spin = SpinOf(r);
  if (!spin || !spin->value) return;
  std::string typed = FieldText(text);
  auto check = CheckIntText(typed, 1, {spin->maximum, spin->minimum, 1, 0});
  if (check.verdict == NumberVerdict::kStore) {
    Store(r, spin, check.values[0], call);
  } else if (check.verdict != NumberVerdict::kShowCurrent) {
    FieldDialogParent parent(text);
    WMShowWarning("%s", check.message.c_str());
  }
  if ((r = FindItem(static_cast<Widget>(box))) != nullptr)
    if (SpinBox* s = SpinOf(r)) s->Redisplay(r->widget);
} catch (...) {
  wm::ReportEscapedException("SpinTextCB");
}

}  // namespace

extern "C" {

Widget WMSpinBox(int* value, int minimum, int maximum, int step, int columns,
                 XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b) try {
  if (!gWM.current_form || !value) return nullptr;
  if (maximum < minimum) maximum = minimum;
  Widget box = XtCreateWidget("spinBox", xmSpinBoxWidgetClass, gWM.current_form, nullptr, 0);
  int start = *value < minimum ? minimum : (*value > maximum ? maximum : *value);
  Widget text = XtVaCreateManagedWidget(
      "spinText", xmTextFieldWidgetClass, box, XmNspinBoxChildType, XmNUMERIC, XmNminimumValue,
      minimum, XmNmaximumValue, maximum, XmNincrementValue, step > 0 ? step : 1, XmNposition, start,
      XmNcolumns, columns > 0 ? columns : 5, XmNeditable, True, XmNtraversalOn, True, nullptr);
  Pixel color;
  if (AllocNamedColor(WMRtTextFieldColor(), &color)) XtVaSetValues(text, XmNbackground, color, nullptr);
  XtAddCallback(box, XmNvalueChangedCallback, SpinChangedCB, nullptr);
  XtAddCallback(text, XmNactivateCallback, SpinTextCB, box);
  XtAddCallback(text, XmNlosingFocusCallback, SpinTextCB, box);
  AddFieldBehaviour(text);
  PlaceItem(box);

  ItemRecord* r = RegisterItem(box, WM_KIND_SPIN_BOX);
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  auto spin = std::make_unique<SpinBox>();
  spin->value = value;
  spin->minimum = minimum;
  spin->maximum = maximum;
  spin->step = step > 0 ? step : 1;
  spin->text = text;
  r->extension = std::move(spin);
  return box;
} catch (...) {
  wm::ReportEscapedException("WMSpinBox");
  return {};
}

}  // extern "C"
