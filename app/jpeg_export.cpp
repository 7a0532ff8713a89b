// jpeg_export.cpp - "Save as JPEG...": a picture of the whole main window.
#include "vibration_app.h"

void SaveAsJpegCB(Widget, XtPointer app, XtPointer) {
  SetStatus(static_cast<VibrationApp*>(app), "Saving as JPEG is not part of this build yet");
}
