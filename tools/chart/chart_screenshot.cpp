// Draws a vibration chart filled like the application fills it and saves a
// screenshot of it: xwd for the window dump, convert for the PNG.
//   chart_screenshot OUTPUT.png [frames]
// Needs an X server (DISPLAY); run it under xvfb-run on a headless machine.
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <Xm/Form.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chart.h"
#include "window_picture.h"
#include "vibration_chart.h"

namespace {

void Pump(XtAppContext app, Display* display) {
  for (int i = 0; i < 20; ++i) {
    XSync(display, False);
    while (XtAppPending(app)) XtAppProcessEvent(app, XtIMAll);
    usleep(10000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s OUTPUT.png [frames]\n", argv[0]);
    return 2;
  }
  const std::string output = argv[1];
  const int frames = argc > 2 ? atoi(argv[2]) : 300;
  XtAppContext app;
  Widget shell = XtOpenApplication(&app, "ChartScreenshot", nullptr, 0, &argc, argv, nullptr,
                                   topLevelShellWidgetClass, nullptr, 0);
  Display* display = XtDisplay(shell);
  Widget form = XtVaCreateManagedWidget("form", xmFormWidgetClass, shell, nullptr);
  Widget chart = chart::x_testing::CreateVibrationChart(form, "VibGraphW", 800, 400);
  XtRealizeWidget(shell);
  Pump(app, display);

  ChartData* data = ChartDataCreate(12);
  XtVaSetValues(chart, XtNxrtRepaint, static_cast<XtArgVal>(False), nullptr);
  chart::x_testing::ApplyVibrationStyles(chart);
  XtVaSetValues(chart, XtNxrtData, data, nullptr);
  const auto run = chart::x_testing::FillVibrationData(data, frames, 10, 8.0, 2024);
  char header[100];
  snprintf(header, sizeof header, "X Movement Per Frame: X Vibration = %.2lf nm", run.vibration);
  String lines[] = {header, nullptr};
  XtVaSetValues(chart, XtNxrtHeaderStrings, lines, nullptr);
  XtVaSetValues(chart, XtNxrtRepaint, static_cast<XtArgVal>(True), nullptr);
  Pump(app, display);

  const int rc =
      tremoscan::tools::SaveWindowPicture(DisplayString(display), XtWindow(chart), output);
  ChartDataDestroy(data);
  return rc;
}
