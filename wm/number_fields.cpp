// number_fields.cpp - integer and float fields bound to the caller's arrays.
//
// A number field shows the caller's values plus a display offset (so that
// 0-based values can be shown 1-based) and keeps the text it last accepted.
// On Return or when the field loses the focus, a changed text is checked
// (field_input.cpp holds the rules); only a text whose values all pass
// reaches the caller's array, after which the callback runs and the refresh
// group is redisplayed. Every refusal leaves the array as it was and the
// field showing accepted values.
//
// The limits are read through the caller's pointers at each check, so a
// program can change a field's range while the field is up.
#include <Xm/TextF.h>

#include <memory>

#include "field_input.h"
#include "fields.h"
#include "item_refresh.h"
#include "wm_state.h"

using namespace wm;

namespace {

// Display offsets for the next number fields (copied into each field).
struct NumberFieldDefaults {
  int int_offset = 0;      // added to stored ints for display
  float float_offset = 0;  // added to stored floats for display
} gDefaults;

struct IntField : ItemExtension {
  int* values = nullptr;          // the caller's array of `count` ints
  int count = 1;                  // values in the array
  const int* maximum = nullptr;   // the caller's maximum (null: no range)
  const int* minimum = nullptr;   // the caller's minimum (null: no range)
  const int* step = nullptr;      // the caller's step (null: 1)
  int offset = 0;                 // display offset

  IntLimits Limits() const {
    return {maximum ? *maximum : 0, minimum ? *minimum : 0, step ? *step : 1, offset};
  }
  std::string Text() const { return FormatIntValues(values, count, offset); }
  void Redisplay(Widget w) override {
    if (ItemRecord* r = FindItem(w)) ShowAccepted(r, Text());
  }
};

struct FloatField : ItemExtension {
  float* values = nullptr;          // the caller's array of `count` floats
  int count = 1;                    // values in the array
  const float* maximum = nullptr;   // the caller's maximum (null: no range)
  const float* minimum = nullptr;   // the caller's minimum (null: no range)
  int decimals = 2;                 // digits shown after the point
  float offset = 0;                 // display offset

  FloatLimits Limits() const {
    return {maximum ? *maximum : 0.0f, minimum ? *minimum : 0.0f, decimals, offset};
  }
  std::string Text() const { return FormatFloatValues(values, count, decimals, offset); }
  void Redisplay(Widget w) override {
    if (ItemRecord* r = FindItem(w)) ShowAccepted(r, Text());
  }
};

// The common acceptance: `Field` is IntField or FloatField, `check` the
// verdict on the typed text.
template <typename Field, typename Check>
void Accept(Widget w, ItemRecord* r, Field* f, const Check& check) {
  switch (check.verdict) {
    case NumberVerdict::kRefuse:
      WMShowWarning("%s", check.message.c_str());
      ShowAccepted(r, r->accepted ? r->accepted : "");
      return;
    case NumberVerdict::kShowCurrent:
      f->Redisplay(w);
      return;
    case NumberVerdict::kWarn:
      WMShowWarning("%s", check.message.c_str());
      f->Redisplay(w);
      return;
    case NumberVerdict::kStore:
      break;
  }
  for (size_t i = 0; i < check.values.size(); ++i) f->values[i] = check.values[i];
  int flag = r->refresh_flag, mask = r->refresh_mask;
  XtCallbackProc callback = r->callback;
  XtPointer client_data = r->client_data;
  // The stored values are shown the field's way (a float with its decimals,
  // an int with the blank after it) before the caller hears of them.
  f->Redisplay(w);
  if (callback) callback(w, client_data, nullptr);
  RefreshAfterChange(flag, mask);
}

void AcceptNumberCB(Widget w, XtPointer, XtPointer) try {
  ItemRecord* r = FindItem(w);
  if (!r) return;
  std::string text = FieldText(w);
  if (text == (r->accepted ? r->accepted : "")) return;
  FieldDialogParent parent(w);
  if (auto* f = dynamic_cast<IntField*>(r->extension.get())) {
    if (!f->values) return;
    Accept(w, r, f, CheckIntText(text, f->count, f->Limits()));
  } else if (auto* g = dynamic_cast<FloatField*>(r->extension.get())) {
    if (!g->values) return;
    Accept(w, r, g, CheckFloatText(text, g->count, g->Limits()));
  }
} catch (...) {
  wm::ReportEscapedException("AcceptNumberCB");
}

ItemRecord* PlaceNumberField(const char* name, int kind, int columns, int max_len,
                             std::unique_ptr<ItemExtension> state, XtCallbackProc callback,
                             XtPointer client_data, int flag_a, int flag_b) {
  int field_max = FieldMaximum(max_len, columns);
  Widget field = PlaceFieldWidget(name, columns, field_max, "");
  ItemRecord* r = RegisterItem(field, kind);
  r->max_len = field_max;
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  r->extension = std::move(state);
  r->extension->Redisplay(field);
  XtAddCallback(field, XmNactivateCallback, AcceptNumberCB, nullptr);
  XtAddCallback(field, XmNlosingFocusCallback, AcceptNumberCB, nullptr);
  AddFieldBehaviour(field);
  return r;
}

}  // namespace

extern "C" {

void WMSetIntFieldOffset(int offset) { gDefaults.int_offset = offset; }
void WMSetFloatFieldOffset(float offset) { gDefaults.float_offset = offset; }

Widget WMIntField(int* values, int count, int columns, int max_len, int* maximum, int* minimum,
                  int* step, XtCallbackProc callback, XtPointer client_data, int flag_a,
                  int flag_b) try {
  if (!gWM.current_form || !values || count < 1) return nullptr;
  auto f = std::make_unique<IntField>();
  f->values = values;
  f->count = count;
  f->maximum = maximum;
  f->minimum = minimum;
  f->step = step;
  f->offset = gDefaults.int_offset;
  return PlaceNumberField("int", WM_KIND_INT_FIELD, columns, max_len, std::move(f), callback,
                          client_data, flag_a, flag_b)->widget;
} catch (...) {
  wm::ReportEscapedException("WMIntField");
  return {};
}

Widget WMFloatField(float* values, int count, int columns, int max_len, float* maximum,
                    float* minimum, int decimals, XtCallbackProc callback, XtPointer client_data,
                    int flag_a, int flag_b) try {
  if (!gWM.current_form || !values || count < 1) return nullptr;
  auto f = std::make_unique<FloatField>();
  f->values = values;
  f->count = count;
  f->maximum = maximum;
  f->minimum = minimum;
  f->decimals = decimals < 0 ? 0 : decimals;
  f->offset = gDefaults.float_offset;
  return PlaceNumberField("float", WM_KIND_FLOAT_FIELD, columns, max_len, std::move(f),
                          callback, client_data, flag_a, flag_b)->widget;
} catch (...) {
  wm::ReportEscapedException("WMFloatField");
  return {};
}

}  // extern "C"
