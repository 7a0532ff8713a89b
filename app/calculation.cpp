// calculation.cpp - "Run the Calculation": from the input image through the
// localization and tracking programs to the charts.
#include "vibration_app.h"

void RunCalculationCB(Widget, XtPointer app, XtPointer) {
  SetStatus(static_cast<VibrationApp*>(app), "The calculation is not part of this build yet");
}
