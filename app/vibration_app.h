// vibration_app.h - the Tremoscan application object, its main window and
// the status line through which every stage of a calculation reports.
//
// Process-wide state (one instance each, as the application keeps it):
//   inputFileName                the "Input Image" field's text (256 bytes)
//   inputDefaultDir/Ext          the field's default directory and extension
// The application object is created once and lives until the process exits.
#pragma once

#include <X11/Intrinsic.h>

#include "chart.h"

// Size of every file name buffer of the application.
constexpr int kPathBufferSize = 256;
// Longest status text shown; longer texts are cut.
constexpr int kStatusTextLimit = 500;

struct VibrationApp {
  VibrationApp();

  Widget mainWindow;    // the XmMainWindow holding everything; the JPEG export captures it
  Widget inputField;    // text field of the "Input Image" file field
  Widget xGraph;        // chart in the "X Vibration" frame
  Widget yGraph;        // chart in the "Y Vibration" frame
  Widget statusLabel;   // the one-line status label
  ChartData* xData;     // data shown in xGraph, or null
  ChartData* yData;     // data shown in yGraph, or null

  // Told every status text as it is set, label or not (the batch command
  // prints them; tests record them). Null: nobody listens.
  void (*statusListener)(void* data, const char* text);
  void* statusListenerData;

  // Told the localization program's progress (0 to 100) whenever it
  // changes (the batch command's progress line). Null: nobody listens.
  void (*progressListener)(void* data, int percent);
  void* progressListenerData;

  // Told the track file of a successful analysis before it is deleted (the
  // batch command analyses the stage motion from it). Null: nobody listens.
  void (*trackFileListener)(void* data, const char* trackFile);
  void* trackFileListenerData;
};

// The input file field stores up to kPathBufferSize characters.
extern char inputFileName[kPathBufferSize + 1];
extern char inputDefaultDir[kPathBufferSize];
extern char inputDefaultExt[kPathBufferSize];

// Builds the main window (realized and shown) for `app`.
void BuildMainWindow(VibrationApp* app);

// Shows `text` (cut at 500 characters) in the status line, redrawn at once.
void SetStatus(VibrationApp* app, const char* text);

// Empties both charts: data objects destroyed, header lines removed.
void ClearGraphs(VibrationApp* app);

// A chart widget in the current form of the widget layer, 800 x 400 with the
// vibration charts' titles, axes, colours and fonts. The title is shown by
// the surrounding frame, not by the chart.
Widget CreateVibrationGraph(const char* title, int width, int height);

// Callbacks of the main window's buttons (client data: the application).
void ExitCB(Widget w, XtPointer app, XtPointer call_data);
void RunCalculationCB(Widget w, XtPointer app, XtPointer call_data);
void SaveAsJpegCB(Widget w, XtPointer app, XtPointer call_data);
void InputChangedCB(Widget w, XtPointer app, XtPointer call_data);
