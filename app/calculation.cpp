// calculation.cpp - "Run the Calculation": the stages in order, with the
// busy cursor on every window during each stage.
#include <unistd.h>

#include "analysis.h"
#include "calculation.h"
#include "wmlib.h"

int RunCalculationStages(VibrationApp* app) {
  WMBusyOn(nullptr);
  int rc = RunLocalization(app, inputFileName, kLocalizationFile);
  WMBusyOff(nullptr);
  if (rc != 0) return 1;

  WMBusyOn(nullptr);
  rc = RunTracking(app, kLocalizationFile, kTrackFile);
  WMBusyOff(nullptr);
  if (rc != 0) return 1;

  WMBusyOn(nullptr);
  rc = AnalyzeTracks(app, kTrackFile);
  WMBusyOff(nullptr);
  if (rc != 0) {
    SetStatus(app, "Track Analysis failed.");
    return 1;
  }

  if (app->trackFileListener) app->trackFileListener(app->trackFileListenerData, kTrackFile);
  UpdateGraphs(app);
  unlink(kLocalizationFile);
  unlink(kTrackFile);
  return 0;
}

void RunCalculation(VibrationApp* app) { RunCalculationStages(app); }

void RunCalculationCB(Widget, XtPointer app, XtPointer) {
  RunCalculation(static_cast<VibrationApp*>(app));
}
