// field_drops.cpp - file icons dropped into text fields.
//
// Two roads bring a dropped name: the drag-and-drop receiver of the suite's
// shells hands the text of a file manager's drop to WMDropIntoField, and a
// Motif drag whose data is one of the field's three text types arrives
// through the field's Motif drop site. Either way the text must name one
// file: it loses its "file:" scheme and extra leading slashes, a registered
// field stores it in the caller's buffer (refusing a name that does not fit)
// and runs its callback, and an unregistered field just shows it and
// activates.
#include <X11/Xatom.h>
#include <Xm/DragDrop.h>
#include <Xm/TextF.h>

#include <cstring>
#include <string>

#include "field_input.h"
#include "fields.h"
#include "item_refresh.h"
#include "wm_state.h"

namespace wm {
namespace {

// The text types a field's Motif drop site accepts, in order of preference.
const char* const kDropTypes[3] = {"text/uri-list", "COMPOUND_TEXT", "STRING"};

void DropName(Widget field, const std::string& text, bool motif_drop) {
  FieldDialogParent parent(field);
  DroppedName dropped = CleanDroppedName(text, motif_drop);
  if (!dropped.ok) {
    WMShowWarning("Only a single file icon can be\ndropped in a text field");
    return;
  }
  ItemRecord* r = FindItem(field);
  if (r && r->value) {
    size_t room = r->max_len > 0 ? static_cast<size_t>(r->max_len) : 0;
    if (dropped.name.size() > room) {
      WMShowWarning("Icon path name:\n\n%s\n\nis longer than the space\nprovided in the text field (%d).",
                    dropped.name.c_str(), static_cast<int>(room));
      return;
    }
    memcpy(r->value, dropped.name.c_str(), dropped.name.size() + 1);
    ShowAccepted(r, dropped.name);
    int flag = r->refresh_flag, mask = r->refresh_mask;
    if (r->callback) r->callback(field, r->client_data, nullptr);
    RefreshAfterChange(flag, mask);
    return;
  }
  // A field without a buffer of its own (not registered, or a number
  // field): the text goes in as if typed, and the field acts on Return.
  XmTextFieldSetString(field, const_cast<char*>(dropped.name.c_str()));
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(field, XmNactivateCallback, &cbs);
}

// The text of a converted selection value of type `type`.
std::string TextOfValue(Widget w, Atom type, XtPointer value, unsigned long length) {
  if (!value) return "";
  if (type == XInternAtom(XtDisplay(w), "COMPOUND_TEXT", False)) {
    XmString s = XmCvtCTToXmString(static_cast<char*>(value));
    if (!s) return "";
    char* text = static_cast<char*>(
        XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
    std::string result = text ? text : "";
    XtFree(text);
    XmStringFree(s);
    return result;
  }
  return std::string(static_cast<const char*>(value), length);
}

void DropTransferProc(Widget transfer, XtPointer closure, Atom*, Atom* type, XtPointer value,
                      unsigned long* length, int*) {
  Widget field = static_cast<Widget>(closure);
  bool usable = value && type && *type != None && length;
  std::string text = usable ? TextOfValue(field, *type, value, *length) : "";
  XtFree(static_cast<char*>(value));
  if (!usable) {
    XtVaSetValues(transfer, XmNtransferStatus, XmTRANSFER_FAILURE, nullptr);
    return;
  }
  DropName(field, text, true);
}

void FieldDropProc(Widget field, XtPointer, XtPointer call) {
  auto* cbs = static_cast<XmDropProcCallbackStruct*>(call);
  Display* dpy = XtDisplay(field);
  Atom* offered = nullptr;
  Cardinal offered_count = 0;
  XtVaGetValues(cbs->dragContext, XmNexportTargets, &offered, XmNnumExportTargets, &offered_count,
                nullptr);
  Atom wanted = None;
  for (const char* name : kDropTypes) {
    Atom atom = XInternAtom(dpy, name, False);
    for (Cardinal i = 0; i < offered_count && wanted == None; ++i)
      if (offered[i] == atom) wanted = atom;
    if (wanted != None) break;
  }
  Arg args[4];
  Cardinal n = 0;
  XmDropTransferEntryRec entry = {static_cast<XtPointer>(field), wanted};
  if (cbs->dropAction != XmDROP || wanted == None) {
    XtSetArg(args[n], XmNtransferStatus, XmTRANSFER_FAILURE); ++n;
    XtSetArg(args[n], XmNnumDropTransfers, 0); ++n;
  } else {
    cbs->operation = XmDROP_COPY;
    XtSetArg(args[n], XmNdropTransfers, &entry); ++n;
    XtSetArg(args[n], XmNnumDropTransfers, 1); ++n;
    XtSetArg(args[n], XmNtransferProc, DropTransferProc); ++n;
  }
  XmDropTransferStart(cbs->dragContext, args, n);
}

}  // namespace

void RegisterFieldDropSite(Widget field) {
  Display* dpy = XtDisplay(field);
  static Atom types[3];
  for (int i = 0; i < 3; ++i) types[i] = XInternAtom(dpy, kDropTypes[i], False);
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNdropProc, FieldDropProc); ++n;
  XtSetArg(args[n], XmNimportTargets, types); ++n;
  XtSetArg(args[n], XmNnumImportTargets, 3); ++n;
  XtSetArg(args[n], XmNdropSiteOperations, XmDROP_COPY); ++n;
  // The text field registered a site of its own for dragged text; the
  // field's site now takes file names instead.
  XmDropSiteUpdate(field, args, n);
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMDropIntoField(Widget field, const char* text, int length) try {
  if (!field || !text || length < 0) return;
  DropName(field, std::string(text, static_cast<size_t>(length)), false);
} catch (...) {
  wm::ReportEscapedException("WMDropIntoField");
}

}  // extern "C"
