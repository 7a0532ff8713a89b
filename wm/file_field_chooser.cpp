// file_field_chooser.cpp - the file field's button. The suite's file chooser
// is not part of this build yet, so the button tells the user to type the
// name instead.
#include "file_field_chooser.h"

#include "wmlib.h"

namespace wm {

void OpenChooserForField(Widget, Widget) {
  WMShowTimedInfo("The file chooser is not part of this build yet:\ntype the file name into the field.", 4);
}

}  // namespace wm
