// main_window.cpp - the main window of Tremoscan and its status line.
//
// The window is two framed charts ("X Vibration" above "Y Vibration",
// sharing the height equally), and in the main window's message area the
// "Input Image" file field, the status line and the three buttons "Done",
// "Run the Calculation" and "Save as JPEG...". It is built only through the
// widget layer's placing calls; the charts are the only widgets made here.
#include "vibration_app.h"

#include <Xm/Form.h>
#include <Xm/Label.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "wmlib.h"

char inputFileName[kPathBufferSize + 1] = "";
char inputDefaultDir[kPathBufferSize] = "";
char inputDefaultExt[kPathBufferSize] = "";

VibrationApp::VibrationApp()
    : mainWindow(nullptr),
      inputField(nullptr),
      xGraph(nullptr),
      yGraph(nullptr),
      statusLabel(nullptr),
      xData(nullptr),
      yData(nullptr),
      statusListener(nullptr),
      statusListenerData(nullptr),
      progressListener(nullptr),
      progressListenerData(nullptr),
      trackFileListener(nullptr),
      trackFileListenerData(nullptr) {
  inputFileName[0] = '\0';
}

namespace {

// Attaches a chart to all four edges of the frame's form it was created in.
void FillFrame(Widget chart) {
  XtVaSetValues(chart, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
                XmNtopAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
}

// The form that holds `inner_form`'s frame.
Widget FrameOf(Widget inner_form) { return XtParent(inner_form); }

void SetRepaint(VibrationApp* app, Boolean on) {
  if (app->xGraph) XtVaSetValues(app->xGraph, XtNxrtRepaint, on, nullptr);
  if (app->yGraph) XtVaSetValues(app->yGraph, XtNxrtRepaint, on, nullptr);
}

}  // namespace

void BuildMainWindow(VibrationApp* app) {
  WMSetApplicationClass("Tremoscan");
  WMSetResizableShell(1);
  Widget form = WMCreateMainWindow("Tremoscan");
  if (!form) exit(1);
  app->mainWindow = XtParent(form);
  WMSetDeleteCallback(WMRtTopShell(), ExitCB, app);

  // Two charts sharing the height of an untitled framed sub-form.
  WMFrame(1, nullptr);
  Widget x_form = WMFrame(1, "X Vibration");
  app->xGraph = CreateVibrationGraph("X Vibration", 800, 400);
  FillFrame(app->xGraph);
  WMPopForm();
  WMAttachRightToForm();
  WMNewRow();
  Widget y_form = WMFrame(1, "Y Vibration");
  app->yGraph = CreateVibrationGraph("Y Vibration", 800, 400);
  FillFrame(app->yGraph);
  WMPopForm();
  WMAttachRightToForm();
  WMAttachRightToForm();
  WMAttachBottomToForm(nullptr);
  WMPopForm();
  XtVaSetValues(FrameOf(x_form), XmNbottomAttachment, XmATTACH_POSITION, XmNbottomPosition, 50,
                nullptr);
  XtVaSetValues(FrameOf(y_form), XmNtopAttachment, XmATTACH_POSITION, XmNtopPosition, 50, nullptr);
  WMAttachRightToForm();
  WMAttachBottomToForm(nullptr);

  // The message area: input file, status line, buttons.
  WMCreateMessageForm(app->mainWindow);
  app->inputField = WMFileField("Input Image", inputDefaultDir, inputDefaultExt, kPathBufferSize,
                                35, inputFileName, InputChangedCB, app, 0, 0);
  WMAttachRightToForm();
  WMNewRow();

  WMSetFrameStyle(WM_FRAME_ETCHED_IN);
  WMFrame(1, nullptr);
  app->statusLabel = WMInfoLabel("This is where all the status info will be", nullptr);
  // The status line spans its frame, so long texts are not cut at the
  // width of the initial text.
  XtVaSetValues(app->statusLabel, XmNrightAttachment, XmATTACH_FORM, nullptr);
  WMPopForm();
  WMAttachRightToForm();
  WMSetLabelAlignment(app->statusLabel, WM_ALIGN_BEGINNING);
  WMNewRow();

  WMDoneButton(nullptr, ExitCB, app, 0, 0);
  WMFuncButton("Run the Calculation", RunCalculationCB, app, 0, 0);
  WMFuncButton("Save as JPEG...", SaveAsJpegCB, app, 0, 0);
  WMPopForm();

  SetStatus(app, "Choose an input image to begin...");
  SetRepaint(app, False);
  WMRealizeShell();
}

void SetStatus(VibrationApp* app, const char* text) {
  if (!app) return;
  std::string shown(text ? text : "");
  if (shown.size() > kStatusTextLimit) shown.resize(kStatusTextLimit);
  if (app->statusListener) app->statusListener(app->statusListenerData, shown.c_str());
  if (!app->statusLabel) return;
  // Line breaks of the text become line breaks of the label.
  XmString s = XmStringCreateLtoR(const_cast<char*>(shown.c_str()),
                                  const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  XtVaSetValues(app->statusLabel, XmNlabelString, s, nullptr);
  XmStringFree(s);
  // A status set during a long run must be visible before control returns
  // to the event loop.
  if (XtIsRealized(app->statusLabel)) WMUpdateDisplay();
}

void ClearGraphs(VibrationApp* app) {
  if (!app) return;
  SetRepaint(app, False);
  if (app->xData) {
    ChartDataDestroy(app->xData);
    app->xData = nullptr;
  }
  if (app->yData) {
    ChartDataDestroy(app->yData);
    app->yData = nullptr;
  }
  String* none = nullptr;
  if (app->xGraph) XtVaSetValues(app->xGraph, XtNxrtHeaderStrings, none, nullptr);
  if (app->yGraph) XtVaSetValues(app->yGraph, XtNxrtHeaderStrings, none, nullptr);
  SetRepaint(app, True);
}

void ExitCB(Widget, XtPointer, XtPointer) { exit(0); }

void InputChangedCB(Widget, XtPointer app, XtPointer) {
  ClearGraphs(static_cast<VibrationApp*>(app));
}
