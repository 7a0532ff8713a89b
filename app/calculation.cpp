// calculation.cpp - "Run the Calculation": the stages in order, with the
// busy cursor on every window during each stage.
#include <unistd.h>

#include "analysis.h"
#include "calculation.h"
#include "wmlib.h"

int RunCalculationStages(VibrationApp* app, const char* localization_file, const char* track_file) {
  WMBusyOn(nullptr);
  int rc = RunLocalization(app, inputFileName, localization_file);
  WMBusyOff(nullptr);
  if (rc != 0) return 1;

  WMBusyOn(nullptr);
  rc = RunTracking(app, localization_file, track_file);
  WMBusyOff(nullptr);
  if (rc != 0) return 1;

  WMBusyOn(nullptr);
  rc = AnalyzeTracks(app, track_file);
  WMBusyOff(nullptr);
  if (rc != 0) {
    SetStatus(app, "Track Analysis failed.");
    return 1;
  }

  if (app->trackFileListener) app->trackFileListener(app->trackFileListenerData, track_file);
  UpdateGraphs(app);
  unlink(localization_file);
  unlink(track_file);
  return 0;
}

void RunCalculation(VibrationApp* app) { RunCalculationStages(app); }

void RunCalculationCB(Widget, XtPointer app, XtPointer) {
  RunCalculation(static_cast<VibrationApp*>(app));
}
