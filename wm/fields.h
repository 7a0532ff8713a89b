// fields.h - what the layer's input fields share: creating the Motif text
// field with the layer's colours, the behaviour every editable field has
// (whole text selected on focus, file icons accepted as drops), the last
// accepted text, and messages shown over the field's own window.
#pragma once

#include <X11/Intrinsic.h>

#include <string>

#include "wm_state.h"

namespace wm {

// The most characters a field takes: the larger of columns + 1 and the
// caller's maximum. Text fields store that many into the caller's buffer,
// which must hold one byte more.
inline int FieldMaximum(int max_len, int columns) { return max_len > columns + 1 ? max_len : columns + 1; }

// An XmTextField `name` in the current form with the given columns and
// maximum length, editable and traversable, in the text-field colour,
// placed by the layer's rules. Returns the field.
Widget PlaceFieldWidget(const char* name, int columns, int max_len, const char* initial_text);

// Focus selects the whole text; file names can be dropped into the field.
void AddFieldBehaviour(Widget field);

// Shows `text` in the record's field and makes it the last accepted text.
void ShowAccepted(ItemRecord* r, const std::string& text);

// The field's current text.
std::string FieldText(Widget field);

// While alive, dialogs appear over the shell that holds `field`, so that a
// message about a field is seen next to it.
class FieldDialogParent {
 public:
  explicit FieldDialogParent(Widget field);
  ~FieldDialogParent();
  FieldDialogParent(const FieldDialogParent&) = delete;
  FieldDialogParent& operator=(const FieldDialogParent&) = delete;

 private:
  Widget previous_;  // the override in force before, restored on exit
};

// Motif drop sites of text fields: the text of a drop arrives here.
void RegisterFieldDropSite(Widget field);

}  // namespace wm
