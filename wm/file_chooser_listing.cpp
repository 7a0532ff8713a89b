// file_chooser_listing.cpp - changing the chooser's directory and showing
// its contents: the directory selector, the sort buttons, the list and a
// cleared preview, rebuilt together so that they always agree.
#include <Xm/ComboBox.h>
#include <Xm/List.h>
#include <Xm/TextF.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "directory_selector.h"
#include "file_chooser.h"
#include "wm_state.h"

namespace wm {
namespace {

void SetButtonLabel(Widget button, const std::string& text) {
  XmString s = MakeXmString(text.c_str());
  XtVaSetValues(button, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

void RebuildSelector(FileChooser* fc) {
  std::string shown = fc->current_dir;
  while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
  snprintf(fc->dir_text, sizeof fc->dir_text, "%s", shown.c_str());
  fc->selector_entries = DirectorySelectorEntries(fc->current_dir);
  std::vector<const char*> entries;
  for (const std::string& e : fc->selector_entries) entries.push_back(e.c_str());
  WMChangeComboList(fc->dir_combo, entries.data(), static_cast<int>(entries.size()), fc->dir_text,
                    kChooserPathMax);
  // Every entry is visible at once.
  XtVaSetValues(fc->dir_combo, XmNvisibleItemCount, static_cast<int>(entries.size()), nullptr);
}

}  // namespace

std::string CurrentFieldText(Widget field) {
  char* raw = XmTextFieldGetString(field);
  std::string text = raw ? raw : "";
  XtFree(raw);
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

void SetNameField(FileChooser* fc, const std::string& text) {
  snprintf(fc->name_text, sizeof fc->name_text, "%s", text.c_str());
  XmTextFieldSetString(fc->name_field, fc->name_text);
}

bool ChangeDirectory(FileChooser* fc, const std::string& dir) {
  std::string wanted = dir;
  if (wanted.empty()) wanted = fc->current_dir;
  if (wanted[0] != '/') wanted = std::string(fc->current_dir) + wanted;
  wanted = WithTrailingSlash(NormalizePath(wanted));
  struct stat st;
  const char* problem = nullptr;
  if (wanted.size() >= kChooserPathMax) problem = "the name is too long";
  else if (stat(wanted.c_str(), &st) != 0) problem = strerror(errno);
  else if (!S_ISDIR(st.st_mode)) problem = "it is not a directory";
  else if (access(wanted.c_str(), R_OK | X_OK) != 0) problem = strerror(errno);
  if (problem) {
    WMShowWarning("Could not open the directory\n%s\n\n(%s)", wanted.c_str(), problem);
    if (fc->current_dir[0]) RebuildSelector(fc);  // show where the chooser still is
    return false;
  }
  snprintf(fc->current_dir, sizeof fc->current_dir, "%s", wanted.c_str());
  Relist(fc);
  return true;
}

void Relist(FileChooser* fc) {
  std::string types = CurrentFieldText(fc->types_field);
  if (types.empty()) types = "*";
  snprintf(fc->types_text, sizeof fc->types_text, "%s", types.c_str());
  snprintf(fc->current_dir, sizeof fc->current_dir, "%s", WithTrailingSlash(fc->current_dir).c_str());

  SetButtonLabel(fc->date_button, DateButtonLabel(fc->order));
  SetButtonLabel(fc->name_button, NameButtonLabel(fc->order));

  fc->listing = ListDirectory(fc->current_dir, fc->types_text, fc->order, fc->folder_mode != 0,
                              CurrentFieldText(fc->name_field));
  std::vector<const char*> items;
  for (const std::string& item : fc->listing.items) items.push_back(item.c_str());
  WMSetListItems(fc->list, items.data(), static_cast<int>(items.size()));
  XmListDeselectAllItems(fc->list);
  if (fc->listing.selected >= 0) {
    XmListSelectPos(fc->list, fc->listing.selected + 1, False);
    XmListSetBottomPos(fc->list, fc->listing.selected + 1);
  }
  RebuildSelector(fc);
  ClearPreview(&fc->preview);
}

}  // namespace wm
