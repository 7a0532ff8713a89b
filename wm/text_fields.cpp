// text_fields.cpp - text fields bound to a caller's buffer, the file field
// (a button and a text field) built on them, and the password field.
//
// A field keeps a copy of the text it last accepted. When the user presses
// Return or leaves the field, the text is trimmed of non-printable and blank
// characters at both ends; if it differs from the last accepted text it is
// copied into the caller's buffer and the item's callback runs, with the
// field's shell as the parent of any message the callback shows. Wrong input
// never reaches the caller's buffer.
//
// The password field never shows what was typed: every character appears as
// "*" while the real text goes to the caller's buffer as it is typed.
#include <Xm/PushB.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>

#include "chooser_defaults.h"
#include "field_input.h"
#include "fields.h"
#include "file_field_chooser.h"
#include "item_refresh.h"
#include "wm_state.h"

using namespace wm;

namespace {

// Characters the caller's buffer `r->value` takes (it holds one more byte).
size_t BufferRoom(const ItemRecord* r) { return r->max_len > 0 ? static_cast<size_t>(r->max_len) : 0; }

void AcceptTextCB(Widget w, XtPointer, XtPointer) try {
  // Looked up by widget: a new main window frees the old registry while its
  // widgets may live on, so the record's address is not kept in callbacks.
  ItemRecord* r = FindItem(w);
  if (!r || !r->value) return;
  FieldDialogParent parent(w);

  bool cut = false;
  std::string trimmed = TrimToPrintable(FieldText(w), &cut);
  if (trimmed != (r->accepted ? r->accepted : "")) {
    std::string stored = trimmed.substr(0, BufferRoom(r));
    memcpy(r->value, stored.c_str(), stored.size() + 1);
    if (cut || stored.size() != trimmed.size()) {
      ShowAccepted(r, stored);
    } else {
      XtFree(r->accepted);
      r->accepted = XtNewString(stored.c_str());
    }
    int flag = r->refresh_flag, mask = r->refresh_mask;
    if (r->callback) r->callback(w, r->client_data, nullptr);
    RefreshAfterChange(flag, mask);
  } else if (cut) {
    ShowAccepted(r, r->accepted ? r->accepted : "");
  }
} catch (...) {
  wm::ReportEscapedException("AcceptTextCB");
}

// The file field's button: the chooser's choice lands in the field.
void ChooseFileCB(Widget button, XtPointer field, XtPointer) try {
  OpenChooserForField(button, static_cast<Widget>(field));
} catch (...) {
  wm::ReportEscapedException("ChooseFileCB");
}

ItemRecord* PlaceTextField(const char* name, int kind, char* text, int max_len, int columns,
                           XtCallbackProc callback, XtPointer client_data, int flag_a, int flag_b) {
  int field_max = FieldMaximum(max_len, columns);
  Widget field = PlaceFieldWidget(name, columns, field_max, text);
  ItemRecord* r = RegisterItem(field, kind);
  r->value = text;
  r->max_len = field_max;
  r->accepted = XtNewString(text ? text : "");
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  XtAddCallback(field, XmNactivateCallback, AcceptTextCB, nullptr);
  XtAddCallback(field, XmNlosingFocusCallback, AcceptTextCB, nullptr);
  AddFieldBehaviour(field);
  return r;
}

// The password field's own state: the real text, which the widget never
// holds, and a guard for the layer's own changes of the widget's text.
struct PasswordField : ItemExtension {
  std::string typed;         // what the user typed (the widget shows "*"s)
  char* buffer = nullptr;    // the caller's buffer
  size_t room = 0;           // characters the caller's buffer holds
  bool showing = false;      // set while the layer itself replaces the text

  void Redisplay(Widget w) override {
    typed = buffer ? std::string(buffer).substr(0, room) : "";
    showing = true;
    XmTextFieldSetString(w, const_cast<char*>(std::string(typed.size(), '*').c_str()));
    showing = false;
  }
};

PasswordField* PasswordOf(Widget w) {
  ItemRecord* r = FindItem(w);
  return r ? dynamic_cast<PasswordField*>(r->extension.get()) : nullptr;
}

// Every change of the password field's text passes here: the change is
// applied to the real text (and the caller's buffer), and the widget gets
// as many "*" as characters were inserted.
void PasswordModifyCB(Widget w, XtPointer, XtPointer call) try {
  auto* cbs = static_cast<XmTextVerifyCallbackStruct*>(call);
  PasswordField* p = PasswordOf(w);
  if (!p || p->showing) return;
  size_t start = static_cast<size_t>(cbs->startPos), end = static_cast<size_t>(cbs->endPos);
  if (start > p->typed.size()) start = p->typed.size();
  if (end > p->typed.size()) end = p->typed.size();
  if (end < start) end = start;
  std::string inserted;
  if (cbs->text && cbs->text->ptr) inserted.assign(cbs->text->ptr, static_cast<size_t>(cbs->text->length));
  if (p->typed.size() - (end - start) + inserted.size() > p->room) {
    cbs->doit = False;
    return;
  }
  p->typed.replace(start, end - start, inserted);
  if (p->buffer) memcpy(p->buffer, p->typed.c_str(), p->typed.size() + 1);
  for (int i = 0; cbs->text && cbs->text->ptr && i < cbs->text->length; ++i) cbs->text->ptr[i] = '*';
} catch (...) {
  wm::ReportEscapedException("PasswordModifyCB");
}

void PasswordActivateCB(Widget w, XtPointer, XtPointer) try {
  ItemRecord* r = FindItem(w);
  if (!r) return;
  FieldDialogParent parent(w);
  int flag = r->refresh_flag, mask = r->refresh_mask;
  if (r->callback) r->callback(w, r->client_data, nullptr);
  RefreshAfterChange(flag, mask);
} catch (...) {
  wm::ReportEscapedException("PasswordActivateCB");
}

}  // namespace

extern "C" {

Widget WMTextField(char* text, int max_len, int columns, XtCallbackProc callback,
                   XtPointer client_data, int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  return PlaceTextField("char", WM_KIND_TEXT_FIELD, text, max_len, columns, callback, client_data,
                        flag_a, flag_b)->widget;
} catch (...) {
  wm::ReportEscapedException("WMTextField");
  return {};
}

Widget WMFileField(const char* label, char* default_dir, char* default_ext, int max_len,
                   int columns, char* text, XtCallbackProc callback, XtPointer client_data,
                   int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  Widget button = PlaceFuncButton(label, label);
  ItemRecord* r = PlaceTextField("char", WM_KIND_FILE_FIELD, text, max_len, columns, callback,
                                 client_data, flag_a, flag_b);
  r->label = XtNewString(label ? label : "");
  r->default_dir = default_dir;
  r->default_ext = default_ext;
  // The field remembers its directory and types under the key pair in
  // force when it is placed (the default pair unless a caller set one).
  r->dir_key = XtNewString(NextChooserCall().dir_key.c_str());
  r->ext_key = XtNewString(NextChooserCall().types_key.c_str());
  r->children = reinterpret_cast<Widget*>(XtMalloc(2 * sizeof(Widget)));
  r->children[0] = button;
  r->children[1] = r->widget;
  r->child_count = 2;
  // A title pending for the next chooser belongs to this field's chooser.
  r->chooser_title = WMTakeNextTitle();
  XtAddCallback(button, XmNactivateCallback, ChooseFileCB, r->widget);
  return r->widget;
} catch (...) {
  wm::ReportEscapedException("WMFileField");
  return {};
}

Widget WMPasswordField(char* buffer, int max_len, int columns, XtCallbackProc callback,
                       XtPointer client_data, int flag_a, int flag_b) try {
  if (!gWM.current_form) return nullptr;
  int field_max = FieldMaximum(max_len, columns);
  Widget field = PlaceFieldWidget("passwd", columns, field_max, "");
  ItemRecord* r = RegisterItem(field, WM_KIND_PASSWORD_FIELD);
  r->max_len = field_max;
  r->callback = callback;
  r->client_data = client_data;
  r->refresh_flag = flag_a;
  r->refresh_mask = flag_b;
  auto p = std::make_unique<PasswordField>();
  p->buffer = buffer;
  p->room = BufferRoom(r);
  PasswordField* password = p.get();
  r->extension = std::move(p);
  XtAddCallback(field, XmNmodifyVerifyCallback, PasswordModifyCB, nullptr);
  XtAddCallback(field, XmNactivateCallback, PasswordActivateCB, nullptr);
  // Whole-text selection on focus, but no drops: a file name is no password.
  XtAddCallback(field, XmNfocusCallback, WMselecttextfield, nullptr);
  password->Redisplay(field);
  return field;
} catch (...) {
  wm::ReportEscapedException("WMPasswordField");
  return {};
}

}  // extern "C"
