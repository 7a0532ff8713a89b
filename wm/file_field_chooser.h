// file_field_chooser.h - what a file field's button does: opens the file
// chooser and puts the choice into the field as if it had been typed.
#pragma once

#include <X11/Intrinsic.h>

namespace wm {

// `button` is the field's "func_button", `field` its registered text field.
void OpenChooserForField(Widget button, Widget field);

}  // namespace wm
