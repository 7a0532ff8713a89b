// combo_boxes.cpp - combo boxes: a text with a drop-down list of strings,
// bound to the caller's text buffer.
//
// The combo box "comboBox" is Motif's drop-down combo box: editable (the
// user may type a text that is not in the list) or read-only (a drop-down
// list, whose text field opens the list when pressed). The box remembers
// the index of its current text in the list, the last matching entry, or
// -999 when the text is in no entry; such a text is shown with no entry of
// the list selected.
//
// Every way the text can change (Return, leaving the field, a pick from the
// list) ends in StoreText, which copies the text into the caller's buffer
// and calls the callback when the text differs from the buffer: Motif
// reports one change through several of these roads.
#include <Xm/ComboBox.h>
#include <Xm/List.h>
#include <Xm/TextF.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fields.h"
#include "item_refresh.h"
#include "wm_state.h"

using namespace wm;

namespace {

const int kNoIndex = -999;  // the current text is in no entry of the list

struct ComboBox : ItemExtension {
  char* text = nullptr;              // the caller's buffer
  int max_len = 0;                   // its size in bytes, terminator included
  std::vector<std::string> items;    // the list as the caller gave it
  int index = kNoIndex;              // entry of the current text, or kNoIndex

  void Redisplay(Widget combo) override;
};

int IndexOf(const std::vector<std::string>& items, const char* text) {
  int index = kNoIndex;
  for (size_t i = 0; text && i < items.size(); ++i)
    if (items[i] == text) index = static_cast<int>(i);  // the last match wins
  return index;
}

Widget TextOf(Widget combo) { return XtNameToWidget(combo, "*Text"); }
Widget ListOf(Widget combo) { return XtNameToWidget(combo, "*List"); }

void ComboBox::Redisplay(Widget combo) {
  const char* current = text ? text : "";
  index = IndexOf(items, current);
  Widget list = ListOf(combo);
  if (index >= 0) {
    // By position: of two equal entries the last one is the current one.
    XtVaSetValues(combo, XmNselectedPosition, index + 1, nullptr);
    if (list) XmListSelectPos(list, index + 1, False);
  } else {
    XmString s = MakeXmString(current);
    XtVaSetValues(combo, XmNselectedItem, s, nullptr);
    XmStringFree(s);
    if (list) XmListDeselectAllItems(list);
  }
  // The position does not update the text field: the text is set as well.
  if (Widget field = TextOf(combo)) XmTextFieldSetString(field, const_cast<char*>(current));
}

ComboBox* ComboOf(ItemRecord* r) { return r ? dynamic_cast<ComboBox*>(r->extension.get()) : nullptr; }

void StoreText(Widget combo, const std::string& typed, XtPointer call) {
  ItemRecord* r = FindItem(combo);
  ComboBox* box = ComboOf(r);
  if (!box || !box->text || box->max_len < 1) return;
  std::string stored = typed.substr(0, static_cast<size_t>(box->max_len) - 1);
  box->index = IndexOf(box->items, stored.c_str());
  if (stored == box->text) return;
  memcpy(box->text, stored.c_str(), stored.size() + 1);
  int flag = r->refresh_flag, mask = r->refresh_mask;
  if (r->callback) r->callback(combo, r->client_data, call);
  RefreshAfterChange(flag, mask);
}

std::string PlainText(XmString s) {
  if (!s) return "";
  char* text = static_cast<char*>(
      XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  std::string result = text ? text : "";
  XtFree(text);
  return result;
}

// A pick from the list (and, in an editable box, Return or focus leaving).
void ComboSelectionCB(Widget combo, XtPointer, XtPointer call) try {
  auto* cbs = static_cast<XmComboBoxCallbackStruct*>(call);
  StoreText(combo, cbs ? PlainText(cbs->item_or_text) : "", call);
} catch (...) {
  wm::ReportEscapedException("ComboSelectionCB");
}

// Return and leaving the text of an editable box.
void ComboTextCB(Widget field, XtPointer combo, XtPointer call) try {
  char* raw = XmTextFieldGetString(field);
  std::string text = raw ? raw : "";
  XtFree(raw);
  StoreText(static_cast<Widget>(combo), text, call);
} catch (...) {
  wm::ReportEscapedException("ComboTextCB");
}

// A press on the text of a read-only box opens its list, as a press on the
// arrow does.
void OpenListEH(Widget, XtPointer combo, XEvent* event, Boolean*) try {
  if (event->type == ButtonPress && event->xbutton.button == Button1)
    XtCallActionProc(static_cast<Widget>(combo), const_cast<char*>("CBDropDownList"), event, nullptr, 0);
} catch (...) {
  wm::ReportEscapedException("OpenListEH");
}

XmStringTable MakeItems(const char** items, int count) {
  auto table = reinterpret_cast<XmStringTable>(XtMalloc(static_cast<Cardinal>(sizeof(XmString) * (count > 0 ? count : 1))));
  for (int i = 0; i < count; ++i) table[i] = MakeXmString(items && items[i] ? items[i] : "");
  return table;
}

void FreeItems(XmStringTable table, int count) {
  for (int i = 0; i < count; ++i) XmStringFree(table[i]);
  XtFree(reinterpret_cast<char*>(table));
}

std::vector<std::string> CopyItems(const char** items, int count) {
  std::vector<std::string> copy;
  for (int i = 0; i < count; ++i) copy.emplace_back(items && items[i] ? items[i] : "");
  return copy;
}

}  // namespace

namespace wm {

Widget PlaceComboBox(const char* name, char* text, const char** items, int count, int max_len,
                     int columns, int editable, XtCallbackProc callback, XtPointer client_data,
                     int flag_a, int flag_b) {
  if (!gWM.current_form) return nullptr;
  if (count < 0) count = 0;
  XmStringTable table = MakeItems(items, count);
  Arg args[9];
  Cardinal n = 0;
  XtSetArg(args[n], XmNcomboBoxType, editable ? XmDROP_DOWN_COMBO_BOX : XmDROP_DOWN_LIST); ++n;
  XtSetArg(args[n], XmNitems, table); ++n;
  XtSetArg(args[n], XmNitemCount, count); ++n;
  XtSetArg(args[n], XmNvisibleItemCount, count < 10 ? (count > 0 ? count : 1) : 10); ++n;
  XtSetArg(args[n], XmNcolumns, columns); ++n;
  XtSetArg(args[n], XmNtraversalOn, True); ++n;
  XtSetArg(args[n], XmNpositionMode, XmONE_BASED); ++n;
  Widget combo = XtCreateWidget(name, xmComboBoxWidgetClass, gWM.current_form, args, n);
  FreeItems(table, count);
  ApplyStandoutColor(combo);
  Widget field = TextOf(combo);
  Widget list = ListOf(combo);
  Pixel text_color;
  if (AllocNamedColor(WMRtTextFieldColor(), &text_color)) {
    if (field) XtVaSetValues(field, XmNbackground, text_color, nullptr);
    if (list) XtVaSetValues(list, XmNbackground, text_color, nullptr);
  }
  if (field) XtVaSetValues(field, XmNmarginWidth, 3, XmNmarginHeight, 3, nullptr);

  auto box = std::make_unique<ComboBox>();
  box->text = text;
  box->max_len = max_len;
  box->items = CopyItems(items, count);
  ComboBox* state = box.get();
  ItemRecord* r = RegisterItem(combo, WM_KIND_COMBO_BOX);
  r->value = nullptr;  // the buffer lives in the extension: it is no text field's
  r->max_len = max_len;
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  r->extension = std::move(box);
  state->Redisplay(combo);

  XtAddCallback(combo, XmNselectionCallback, ComboSelectionCB, nullptr);
  if (field && editable) {
    XtAddCallback(field, XmNactivateCallback, ComboTextCB, combo);
    XtAddCallback(field, XmNlosingFocusCallback, ComboTextCB, combo);
    AddFieldBehaviour(field);
  } else if (field) {
    XtVaSetValues(field, XmNtraversalOn, True, XmNcursorPositionVisible, False, nullptr);
    XtAddEventHandler(field, ButtonPressMask, False, OpenListEH, combo);
  }
  PlaceItem(combo);
  return combo;
}

}  // namespace wm

extern "C" {

Widget WMComboBox(char* text, const char** items, int count, int max_len, int columns, int editable,
                  XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b) try {
  return PlaceComboBox("comboBox", text, items, count, max_len, columns, editable, callback,
                       client_data, flag_a, flag_b);
} catch (...) {
  wm::ReportEscapedException("WMComboBox");
  return {};
}

int WMChangeComboList(Widget combo, const char** items, int count, char* text, int max_len) try {
  ComboBox* box = ComboOf(FindItem(combo));
  if (!combo || !XmIsComboBox(combo) || !box) {
    fprintf(stderr, "WMMenu: Widget is not a combo box!\n");
    return 0;
  }
  if (count < 0) count = 0;
  XmStringTable table = MakeItems(items, count);
  XtVaSetValues(combo, XmNitems, table, XmNitemCount, count, XmNvisibleItemCount,
                count < 10 ? (count > 0 ? count : 1) : 10, nullptr);
  FreeItems(table, count);
  box->items = CopyItems(items, count);
  box->text = text;
  box->max_len = max_len;
  box->Redisplay(combo);
  return 1;
} catch (...) {
  wm::ReportEscapedException("WMChangeComboList");
  return {};
}

int WMRtComboIndex(Widget combo) try {
  ComboBox* box = ComboOf(FindItem(combo));
  return box ? box->index : kNoIndex;
} catch (...) {
  wm::ReportEscapedException("WMRtComboIndex");
  return {};
}

}  // extern "C"
