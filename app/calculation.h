// calculation.h - one calculation of Tremoscan, from the input image to the
// charts, and the process-wide values it keeps between runs.
//
// A calculation is a straight sequence; each stage starts only when the one
// before returned 0:
//   RunLocalization  image -> /tmp/KM_LOC.txt   (child: ORBILocalization)
//   RunTracking      KM_LOC -> /tmp/KM_TRK.txt  (child: ORBILocalizationRefinement)
//   AnalyzeTracks    KM_TRK -> band limits and vibration values
//                    (then the track file listener, if any, reads KM_TRK)
//   UpdateGraphs     results -> both charts; both temporary files deleted
// The same stages serve the window and the headless batch command: they
// report through SetStatus and the widget layer's dialogs, which a program
// without a display routes to its own output.
#pragma once

#include <sys/types.h>

#include "vibration_app.h"

// Fixed files of the window's calculation (shared by every instance on the
// machine); the batch command passes files of its own private folder.
constexpr const char* kLocalizationFile = "/tmp/KM_LOC.txt";
constexpr const char* kTrackFile = "/tmp/KM_TRK.txt";

// Values kept from one run to the next.
extern float numericalAperture;         // "-numericalAperture"; the lens's NA once found
extern double photonConversionFactor;   // "-photonConversionFactor"; from the image each run
extern pid_t childPid;                  // the child program running now

// First stage: checks the image and runs the localization program.
// 0 on success, 1 on any failure or cancellation (already reported).
int RunLocalization(VibrationApp* app, const char* input, const char* output);

// Second stage: runs the refinement program. 0 success, 1 failure,
// 2 canceled by the program's own exit status.
int RunTracking(VibrationApp* app, const char* input, const char* output);

// The whole calculation on `inputFileName` through the two intermediate
// files; 0 when the charts show a new result, 1 when a stage failed (the
// failure is already reported).
int RunCalculationStages(VibrationApp* app, const char* localization_file = kLocalizationFile,
                         const char* track_file = kTrackFile);

// "Run the Calculation".
void RunCalculation(VibrationApp* app);

// Shows the last analysis in both charts (charts that do not exist, as in
// the batch command, are skipped).
void UpdateGraphs(VibrationApp* app);

// The localization program's text for an exit status.
const char* LocalizationExitText(int status);
