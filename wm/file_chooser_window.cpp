// file_chooser_window.cpp - building the file chooser's window.
//
//                    _Files_
//   +-- Preview ----+ +-----------------------------------------------+
//   | Preview:      | | Directory [dirname      v] Refresh Up New Help |
//   | [140 x 140]   | | [  Date  ^  ][File Name                      ] |
//   | Created/...   | | [ list of directories and files             ] |
//   | Last Modified | | File Name  [name field          ] [OK]        |
//   | File Size     | | File Types [types field         ] [ Cancel ]  |
//   | Image Info    | +-----------------------------------------------+
//   +---------------+
//
// The window is a resizable dialog built with the layer's placing calls;
// the list grows with the window while the two field rows stay at its
// bottom. The database page, when offered, follows the "Files" page.
#include <Xm/Form.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/TextF.h>

#include <algorithm>
#include <cstdio>

#include "directory_selector.h"
#include "file_chooser.h"
#include "iwbase.h"
#include "wm_state.h"

namespace wm {
namespace {

const char* const kPreviewTip =
    "Preview of Photarch image\n\nLeft mouse button scales,\nmiddle and right mouse\nbuttons animate";
const char* const kImageInfoTip =
    "Photarch Image Info.\nZ = # of Z Sections\nW = # of Wavelengths\nT = # of Time Points";
const char* const kDateTip = "Click to sort by date,\nclick again to reverse order";
const char* const kNameTip =
    "Click to sort alphabetically by file name,\nclick again to reverse the sort order";
const char* const kNothingShown = "-----";
// Width of the file list in pixels: room for a date and a long name.
const int kListWidth = 470;
// Spacing between the chooser's items in pixels.
const int kGap = 4;

FileChooser* ChooserOf(XtPointer client) { return static_cast<FileChooser*>(client); }

void RefreshCB(Widget, XtPointer client, XtPointer) { Relist(ChooserOf(client)); }

void UpCB(Widget, XtPointer client, XtPointer) try {
  FileChooser* fc = ChooserOf(client);
  std::string dir = fc->current_dir;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  size_t slash = dir.rfind('/');
  ChangeDirectory(fc, slash == std::string::npos || slash == 0 ? "/" : dir.substr(0, slash));
} catch (...) {
  wm::ReportEscapedException("UpCB");
}

void NewDirectoryCB(Widget, XtPointer client, XtPointer) { CreateNewDirectory(ChooserOf(client)); }

void OkCB(Widget, XtPointer client, XtPointer) { AcceptChoice(ChooserOf(client)); }

void CancelCB(Widget, XtPointer client, XtPointer) { CancelChooser(ChooserOf(client)); }

// A label and its "-----" value below it; returns the value label.
Widget PlaceInfoPair(const char* title, const char* tip) {
  if (tip) WMSetToolTipForNext(tip);
  WMInfoLabel(title, nullptr);
  WMNewRow();
  Widget value = WMInfoLabel(kNothingShown, nullptr);
  // The value changes length: it keeps the column's width, left-aligned.
  XtVaSetValues(value, XmNrecomputeSize, False, XmNwidth, kPreviewSize, nullptr);
  WMSetLabelAlignment(value, WM_ALIGN_BEGINNING);
  WMNewRow();
  return value;
}

void BuildPreviewColumn(FileChooser* fc) {
  WMFrame(1, nullptr);
  WMSetToolTipForNext(kPreviewTip);
  WMInfoLabel("Preview:", nullptr);
  WMNewRow();
  PlacePreviewArea(&fc->preview);
  WMNewRow();
  fc->preview.created_label = PlaceInfoPair("Created/Acquired:", nullptr);
  fc->preview.modified_label = PlaceInfoPair("Last Modified:", nullptr);
  fc->preview.size_label = PlaceInfoPair("File Size:", nullptr);
  fc->preview.info_label = PlaceInfoPair("Image Info:", kImageInfoTip);
  WMPopForm();
}

std::vector<const char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<const char*> out;
  for (const std::string& t : texts) out.push_back(t.c_str());
  return out;
}

void DirectoryChosenCB(Widget, XtPointer client, XtPointer) try {
  FileChooser* fc = ChooserOf(client);
  std::string dir = DirectoryOfSelectorEntry(fc->dir_text);
  if (dir.empty()) {
    // A separator leads nowhere: the selector shows the current directory again.
    ChangeDirectory(fc, fc->current_dir);
    return;
  }
  ChangeDirectory(fc, dir);
} catch (...) {
  wm::ReportEscapedException("DirectoryChosenCB");
}

// The listed entry a list callback is about, or null when the position
// lies outside the listing.
const ListedEntry* EntryOfListCallback(const FileChooser* fc, XtPointer call) {
  const auto* cbs = static_cast<const XmListCallbackStruct*>(call);
  const int index = cbs ? cbs->item_position - 1 : -1;
  if (index < 0 || index >= static_cast<int>(fc->listing.items.size())) return nullptr;
  return &fc->listing.entries[index];
}

void ListSelectCB(Widget, XtPointer client, XtPointer call) try {
  FileChooser* fc = ChooserOf(client);
  const ListedEntry* listed = EntryOfListCallback(fc, call);
  if (!listed) return;
  const ListedEntry& entry = *listed;
  if (entry.is_dir) {
    SetNameField(fc, fc->folder_mode ? entry.name : entry.name + "/");
    ClearPreview(&fc->preview);
  } else {
    SetNameField(fc, entry.name);
    ShowFilePreview(&fc->preview, std::string(fc->current_dir) + entry.name);
  }
} catch (...) {
  wm::ReportEscapedException("ListSelectCB");
}

void ListDoubleClickCB(Widget, XtPointer client, XtPointer call) try {
  FileChooser* fc = ChooserOf(client);
  const ListedEntry* listed = EntryOfListCallback(fc, call);
  if (!listed) return;
  const ListedEntry& entry = *listed;
  if (entry.is_dir) {
    ChangeDirectory(fc, std::string(fc->current_dir) + entry.name);
  } else {
    SetNameField(fc, entry.name);
    AcceptChoice(fc);
  }
} catch (...) {
  wm::ReportEscapedException("ListDoubleClickCB");
}

void SortCB(Widget w, XtPointer client, XtPointer) try {
  FileChooser* fc = ChooserOf(client);
  fc->order = w == fc->date_button ? PressDateSort(fc->order) : PressNameSort(fc->order);
  IWAlVarInt("PA_FILE_CHOOSER_SORT_DATE", fc->order.by_date);
  IWAlVarInt("PA_FILE_CHOOSER_SORT_DIR", fc->order.descending);
  IWAlVarInt("PA_FILE_CHOOSER_CASE_SENS", fc->order.case_sensitive);
  Relist(fc);
} catch (...) {
  wm::ReportEscapedException("SortCB");
}

void TypesChangedCB(Widget, XtPointer client, XtPointer) { Relist(ChooserOf(client)); }

// Return goes to the page's default button (OK) from every field but the
// types field, where it only relists: the default button steps aside
// while that field has the focus.
void TypesFocusCB(Widget field, XtPointer, XtPointer) try {
  XtVaSetValues(XtParent(field), XmNdefaultButton, nullptr, nullptr);
} catch (...) {
  wm::ReportEscapedException("TypesFocusCB");
}
void TypesLeftCB(Widget field, XtPointer client, XtPointer) try {
  XtVaSetValues(XtParent(field), XmNdefaultButton, ChooserOf(client)->ok_button, nullptr);
} catch (...) {
  wm::ReportEscapedException("TypesLeftCB");
}

// Keeps the two field rows at the bottom of the page and lets the list
// take the height the window gains: each row hangs from the row below it,
// the list from the name row.
void StretchListVertically(Widget list_window, std::initializer_list<Widget> name_row,
                           std::initializer_list<Widget> types_row, Widget name_anchor,
                           Widget types_anchor) {
  for (Widget w : types_row)
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_NONE, XmNbottomAttachment, XmATTACH_FORM,
                  XmNbottomOffset, kGap, nullptr);
  for (Widget w : name_row)
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_NONE, XmNbottomAttachment, XmATTACH_WIDGET,
                  XmNbottomWidget, types_anchor, XmNbottomOffset, kGap, nullptr);
  XtVaSetValues(list_window, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, name_anchor,
                XmNbottomOffset, kGap, nullptr);
}

// Gives `label` the height of `other` (its text stays centred).
void MatchHeight(Widget label, Widget other) {
  XtWidgetGeometry preferred = {};
  XtQueryGeometry(other, nullptr, &preferred);
  Dimension height = 0;
  XtVaGetValues(other, XmNheight, &height, nullptr);
  if (preferred.request_mode & CWHeight) height = std::max(height, preferred.height);
  XtVaSetValues(label, XmNrecomputeSize, False, XmNheight, height, nullptr);
}

// Two items of one width (field labels, so that the fields line up; the
// two buttons at the end of the field rows).
void SameWidth(Widget a, Widget b) {
  Dimension wa = 0, wb = 0;
  XtVaGetValues(a, XmNwidth, &wa, nullptr);
  XtVaGetValues(b, XmNwidth, &wb, nullptr);
  Dimension width = std::max(wa, wb);
  XtVaSetValues(a, XmNwidth, width, XmNrecomputeSize, False, nullptr);
  XtVaSetValues(b, XmNwidth, width, XmNrecomputeSize, False, nullptr);
}

void BuildFilesPage(FileChooser* fc, const ChooserRequest& request) {
  // Directory selector and the four tool buttons.
  Widget dir_label = WMInfoLabel("Directory", nullptr);
  fc->selector_entries = DirectorySelectorEntries(fc->current_dir);
  std::vector<const char*> entries = Pointers(fc->selector_entries);
  fc->dir_combo = PlaceComboBox("dirname", fc->dir_text, entries.data(),
                                static_cast<int>(entries.size()), kChooserPathMax, 34, 1,
                                DirectoryChosenCB, fc, 0, 0);
  WMBeginToolbar(1);
  fc->refresh_button = WMToolbarButton("Refresh", 0, "refresh.xpm", "Refresh view", 0, RefreshCB, fc);
  fc->up_button = WMToolbarButton("Up", 0, "folder_up.xpm", "Up to parent directory", kGap, UpCB, fc);
  fc->new_button = WMToolbarButton("New", 0, "folder_new.xpm", "Create new directory (folder)", kGap,
                                   NewDirectoryCB, fc);
  Widget help = WMToolbarButton("Help", 0, "help.xpm", "Help for the File Chooser", kGap, WMHelpCB,
                                nullptr);
  SetItemHelpTopic(help, "FileChooser");
  WMEndToolbar();
  // The next row hangs from the row's first item: the label gets the
  // selector's height, so that the row below clears the selector.
  MatchHeight(dir_label, fc->dir_combo);
  WMNewRow();

  // Sort buttons over the list's two columns (date, then name).
  WMSetToolTipForNext(kDateTip);
  fc->date_button = WMFuncButton(DateButtonLabel(fc->order).c_str(), SortCB, fc, 0, 0);
  WMSetToolTipForNext(kNameTip);
  fc->name_button = WMFuncButton(NameButtonLabel(fc->order).c_str(), SortCB, fc, 0, 0);
  WMAttachRightToForm();
  WMNewRow();

  WMSetOffsets(kGap, kGap, 0, 0);
  fc->list = WMScrolledList(nullptr, 0, request.rows, kListWidth, 0, ListSelectCB, fc,
                            ListDoubleClickCB, 0);
  WMSetOffsets(kGap, kGap, kGap, kGap);

  Widget name_label = WMInfoLabel("File Name", nullptr);
  fc->name_field = WMTextField(fc->name_text, kChooserPathMax - 1, request.name_columns, nullptr,
                               nullptr, 0, 0);
  fc->ok_button = WMFuncButton("OK", OkCB, fc, 0, 0);
  WMNewRow();
  Widget types_label = WMInfoLabel("File Types", nullptr);
  fc->types_field = WMTextField(fc->types_text, kChooserPathMax - 1, request.name_columns,
                                TypesChangedCB, fc, 0, 0);
  fc->cancel_button = WMFuncButton("  Cancel  ", CancelCB, fc, 0, 0);
  SameWidth(name_label, types_label);
  SameWidth(fc->ok_button, fc->cancel_button);
  MatchHeight(name_label, fc->name_field);
  MatchHeight(types_label, fc->types_field);
  StretchListVertically(XtParent(fc->list), {name_label, fc->name_field, fc->ok_button},
                        {types_label, fc->types_field, fc->cancel_button}, fc->name_field,
                        fc->types_field);
  if (fc->folder_mode) XtSetSensitive(fc->types_field, False);
  // Return accepts the name (the field has stored its text by then: its
  // own activate callback runs first) and Escape cancels, as in any dialog.
  XtVaSetValues(XtParent(fc->ok_button), XmNdefaultButton, fc->ok_button, XmNcancelButton,
                fc->cancel_button, nullptr);
  XtAddCallback(fc->types_field, XmNfocusCallback, TypesFocusCB, fc);
  XtAddCallback(fc->types_field, XmNlosingFocusCallback, TypesLeftCB, fc);
}

}  // namespace

void BuildChooserWindow(FileChooser* fc, const ChooserRequest& request) {
  WMSetResizableShell(1);
  Widget form = WMCreateDialogWindow(request.title.c_str(), 1);
  fc->shell = XtParent(form);
  WMSetDeleteCallback(fc->shell, CancelCB, fc);
  WMSetOffsets(kGap, kGap, kGap, kGap);
  WMSetFrameStyle(WM_FRAME_ETCHED_IN);

  BuildPreviewColumn(fc);
  WMAttachBottomToForm(nullptr);  // the preview column runs down the window's height

  // The "Files" page. The database page, when the database is offered
  // (chooser_database_page.h), is the page after it.
  Widget tabs = WMTabManager(1, nullptr, nullptr);
  WMTabPage("Files");
  BuildFilesPage(fc, request);
  WMEndTabManager();
  // Escape anywhere in the window cancels, not only inside the page.
  XtVaSetValues(form, XmNcancelButton, fc->cancel_button, nullptr);
  XtVaSetValues(tabs, XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);

  WMSetOffsets(0, 0, 0, 0);
  PlaceDialog(form);
  // The window may grow but never shrink below what it needs.
  Dimension width = 0, height = 0;
  XtVaGetValues(fc->shell, XmNwidth, &width, XmNheight, &height, nullptr);
  XtVaSetValues(fc->shell, XmNminWidth, width, XmNminHeight, height, nullptr);
}

}  // namespace wm
