// text_fields.cpp - text fields bound to a caller's buffer, and the file
// field (a button and a text field) built on them.
//
// A field keeps a copy of the text it last accepted. When the user presses
// Return or leaves the field, the text is trimmed of non-printable and blank
// characters at both ends; if it differs from the last accepted text it is
// copied into the caller's buffer and the item's callback runs, with the
// field's shell as the parent of any message the callback shows. Wrong input
// never reaches the caller's buffer.
#include <Xm/PushB.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>

#include "file_field_chooser.h"
#include "wm_state.h"

using namespace wm;

namespace {

bool Printable(char c) { return c >= '!' && c <= '~'; }

// Redisplays every registered field whose refresh group shares a bit with
// `mask` from its bound buffer.
void RefreshGroup(int mask) {
  if (!mask) return;
  for (ItemRecord* r = gWM.registry_head; r && r != gWM.registry_tail; r = r->next) {
    if (!(r->refresh_mask & mask) || !r->value) continue;
    if (r->kind != WM_KIND_TEXT_FIELD && r->kind != WM_KIND_FILE_FIELD) continue;
    XmTextFieldSetString(r->widget, r->value);
  }
}

void AcceptTextCB(Widget w, XtPointer, XtPointer) {
  // Looked up by widget: a new main window frees the old registry while its
  // widgets may live on, so the record's address is not kept in callbacks.
  ItemRecord* r = FindItem(w);
  if (!r || !r->value) return;
  Widget previous_parent = gWM.dialog_parent;
  WMSetDialogParent(ShellOf(w));

  char* raw = XmTextFieldGetString(w);
  std::string text(raw ? raw : "");
  XtFree(raw);
  size_t begin = 0, end = text.size();
  while (begin < end && !Printable(text[begin])) ++begin;
  while (end > begin && !Printable(text[end - 1])) --end;
  bool cut = begin != 0 || end != text.size();
  std::string trimmed = text.substr(begin, end - begin);

  if (trimmed != (r->accepted ? r->accepted : "")) {
    // The caller's buffer holds max_len bytes including the terminator.
    size_t room = r->max_len > 0 ? static_cast<size_t>(r->max_len) - 1 : 0;
    std::string stored = trimmed.substr(0, room);
    memcpy(r->value, stored.c_str(), stored.size() + 1);
    XtFree(r->accepted);
    r->accepted = XtNewString(stored.c_str());
    if (cut || stored.size() != trimmed.size()) XmTextFieldSetString(w, r->accepted);
    if (r->callback) r->callback(w, r->client_data, nullptr);
    if (r->refresh_flag) RefreshGroup(r->refresh_mask);
  } else if (cut) {
    XmTextFieldSetString(w, r->accepted);
  }
  WMSetDialogParent(previous_parent);
}

// Focus on a field selects its whole text, so typing replaces it.
void SelectAllCB(Widget w, XtPointer, XtPointer call) {
  auto* cbs = static_cast<XmAnyCallbackStruct*>(call);
  Time when = cbs && cbs->event ? cbs->event->xbutton.time : CurrentTime;
  XmTextFieldSetSelection(w, 0, XmTextFieldGetLastPosition(w), when);
}

// The file field's button: the chooser's choice lands in the field.
void ChooseFileCB(Widget button, XtPointer field, XtPointer) {
  OpenChooserForField(button, static_cast<Widget>(field));
}

ItemRecord* PlaceTextField(const char* name, int kind, char* text, int max_len, int columns,
                           XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b) {
  int field_max = max_len > columns + 1 ? max_len : columns + 1;
  Arg args[6];
  Cardinal n = 0;
  XtSetArg(args[n], XmNcolumns, columns); ++n;
  XtSetArg(args[n], XmNmaxLength, field_max); ++n;
  XtSetArg(args[n], XmNeditable, True); ++n;
  XtSetArg(args[n], XmNtraversalOn, True); ++n;
  XtSetArg(args[n], XmNvalue, text ? text : ""); ++n;
  Widget field = XtCreateWidget(name, xmTextFieldWidgetClass, gWM.current_form, args, n);
  Pixel color;
  if (AllocNamedColor(WMRtTextFieldColor(), &color)) XtVaSetValues(field, XmNbackground, color, nullptr);
  PlaceItem(field);

  ItemRecord* r = RegisterItem(field, kind);
  r->value = text;
  r->max_len = max_len;
  r->accepted = XtNewString(text ? text : "");
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  XtAddCallback(field, XmNactivateCallback, AcceptTextCB, nullptr);
  XtAddCallback(field, XmNlosingFocusCallback, AcceptTextCB, nullptr);
  XtAddCallback(field, XmNfocusCallback, SelectAllCB, nullptr);
  return r;
}

}  // namespace

extern "C" {

Widget WMTextField(char* text, int max_len, int columns, XtCallbackProc callback,
                   XtPointer client_data, int flag_a, int flag_b) {
  if (!gWM.current_form) return nullptr;
  return PlaceTextField("char", WM_KIND_TEXT_FIELD, text, max_len, columns, callback, client_data,
                        flag_a, flag_b)->widget;
}

Widget WMFileField(const char* label, char* default_dir, char* default_ext, int max_len,
                   int columns, char* text, XtCallbackProc callback, XtPointer client_data,
                   int flag_a, int flag_b) {
  if (!gWM.current_form) return nullptr;
  XmString s = MakeXmString(label);
  Arg args[2];
  XtSetArg(args[0], XmNlabelString, s);
  XtSetArg(args[1], XmNtraversalOn, True);
  Widget button = XtCreateWidget("func_button", xmPushButtonWidgetClass, gWM.current_form, args, 2);
  XmStringFree(s);
  ApplyStandoutColor(button);
  SizeFromText(button, label);
  PlaceItem(button);
  ItemRecord* r = PlaceTextField("char", WM_KIND_FILE_FIELD, text, max_len, columns, callback,
                                 client_data, flag_a, flag_b);
  r->label = XtNewString(label ? label : "");
  r->default_dir = default_dir;
  r->default_ext = default_ext;
  r->children = reinterpret_cast<Widget*>(XtMalloc(2 * sizeof(Widget)));
  r->children[0] = button;
  r->children[1] = r->widget;
  r->child_count = 2;
  // A title pending for the next chooser belongs to this field's chooser.
  r->chooser_title = WMTakeNextTitle();
  XtAddCallback(button, XmNactivateCallback, ChooseFileCB, r->widget);
  return r->widget;
}

}  // extern "C"
