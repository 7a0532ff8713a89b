// file_field_chooser.cpp - the file field's button: Select File with the
// field's own settings (its chooser title, its default directory and
// types, its remembered-default keys), and the choice put into the field
// as if the user had typed it and pressed Return, so that the field's
// acceptance stores it in the caller's buffer and runs the callback.
#include "file_field_chooser.h"

#include <Xm/TextF.h>

#include "chooser_defaults.h"
#include "wm_state.h"

namespace wm {

void OpenChooserForField(Widget, Widget field) {
  ItemRecord* r = FindItem(field);
  if (!r) return;
  // Copied now: the record may be gone once the chooser's loop returns
  // (a callback run meanwhile can rebuild the window).
  std::string directory = r->default_dir ? r->default_dir : "";
  std::string types = r->default_ext ? r->default_ext : "";
  if (r->dir_key && r->ext_key) WMSetChooserKeys(r->dir_key, r->ext_key);
  if (r->chooser_title) WMSetNextTitle(r->chooser_title);

  char chosen[kChooserPathMax] = "";
  if (WMSelectFile(chosen, directory.c_str(), types.c_str(), nullptr) != 1) return;
  if (!FindItem(field)) return;  // the field went away while the chooser ran
  XmTextFieldSetString(field, chosen);
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(field, XmNactivateCallback, &cbs);
}

}  // namespace wm
