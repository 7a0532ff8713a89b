// vibration_graph.cpp - the two vibration charts: creating them, and
// filling them with the result of a calculation.
//
// Both charts plot the displacement in nanometres against the frame number
// with their origins at the axis minimum, a raised border, no legend, a
// gray85 plot background and 18-pixel Helvetica axis and header fonts.
#include <Xm/Xm.h>

#include <cstdio>
#include <cstring>

#include <utility>

#include "analysis.h"
#include "calculation.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

const char* kAxisFontName = "-*-helvetica-medium-r-*-*-18-*-*-*-*-*-*-*";
const char* kHeaderFontName = "-*-helvetica-bold-r-*-*-18-*-*-*-*-*-*-*";

// A font list converted from an X font name by the toolkit's converter, or
// null when the server has no such font (the chart then keeps its default
// font). The converter itself succeeds even for unknown names, so the
// font is looked up first.
XmFontList FontListFromName(Widget w, const char* name) {
  XFontStruct* font = XLoadQueryFont(XtDisplay(w), name);
  XmFontList list = nullptr;
  if (font) {
    XFreeFont(XtDisplay(w), font);
    XrmValue from, to;
    from.addr = const_cast<char*>(name);
    from.size = static_cast<unsigned int>(strlen(name) + 1);
    to.addr = reinterpret_cast<XPointer>(&list);
    to.size = sizeof list;
    if (!XtConvertAndStore(w, XmRString, &from, XmRFontList, &to)) list = nullptr;
  }
  if (!list) fprintf(stderr, "Conversion of %s to XmFontList failed!\n", name);
  return list;
}

}  // namespace

Widget CreateVibrationGraph(const char*, int width, int height) {
  Widget chart = XtVaCreateManagedWidget(
      "VibGraphW", chartWidgetClass, WMRtCurrentForm(), XtNwidth, width, XtNheight, height,
      XtNxrtYTitleRotation, ChartRotate90, XtNxrtXOriginPlacement, ChartOriginMin,
      XtNxrtYOriginPlacement, ChartOriginMin, XtNxrtGraphBorder, ChartBorder3DRaised,
      XtNxrtLegendShow, False, XtNxrtXTitle, "Frame Number", XtNxrtYTitle, "Vibration (nm)",
      XtNxrtGraphBackgroundColor, "gray85", nullptr);

  // Converted font lists belong to the toolkit's conversion cache; the chart
  // keeps its own copies.
  XmFontList axis = FontListFromName(chart, kAxisFontName);
  XmFontList header = FontListFromName(chart, kHeaderFontName);
  XmFontList legend = FontListFromName(chart, kHeaderFontName);
  XtVaSetValues(chart, XtNxrtAxisFont, axis, XtNxrtHeaderFont, header, XtNxrtLegendFont, legend,
                nullptr);
  return chart;
}

namespace {

// Sets 0-9 carry up to ten tracks, set 10 the upper and set 11 the lower
// band limit.
constexpr int kChartSets = 12;
constexpr int kTrackSets = 10;
constexpr int kUpperLimitSet = 10;
constexpr int kLowerLimitSet = 11;

const char* const kTrackColors[kTrackSets] = {"red",    "green",  "blue",        "cyan",
                                              "yellow", "magenta", "orange",     "forestGreen",
                                              "aliceBlue", "black"};

void StyleSets(Widget chart) {
  for (int set = 0; set < kChartSets; ++set) {
    bool limit = set >= kTrackSets;
    const char* color = limit ? "red" : kTrackColors[set];
    ChartStyle style = {ChartLineSolid, ChartFillNone, color, limit ? 3 : 1,
                        ChartPointNone, color,         1};
    ChartSetStyle(chart, set, &style);
  }
}

// A new data object with the kept tracks (at most ten drawn) and the two
// limit lines of one axis. `axis` 0 is X, 1 is Y.
ChartData* AxisData(int axis, float upper, float lower) {
  ChartData* data = ChartDataCreate(kChartSets);
  int frames = AnalysisFrameCount();
  int kept = AnalysisKeptTrackCount();
  const FiducialTrack* tracks = AnalysisKeptTracks();
  for (int i = 0; i < kept && i < kTrackSets; ++i) {
    const double* d = axis == 0 ? tracks[i].dX : tracks[i].dY;
    for (int f = 0; f < frames; ++f)
      ChartDataAppendPoint(data, i, static_cast<float>(f), static_cast<float>(d[f]));
  }
  ChartDataAppendPoint(data, kUpperLimitSet, 0, upper);
  ChartDataAppendPoint(data, kUpperLimitSet, frames, upper);
  ChartDataAppendPoint(data, kLowerLimitSet, 0, lower);
  ChartDataAppendPoint(data, kLowerLimitSet, frames, lower);
  return data;
}

void SetRepaint(Widget chart, Boolean on) {
  if (chart) XtVaSetValues(chart, XtNxrtRepaint, on, nullptr);
}

}  // namespace

void UpdateGraphs(VibrationApp* app) {
  ClearGraphs(app);
  SetRepaint(app->xGraph, False);
  SetRepaint(app->yGraph, False);

  app->xData = AxisData(0, AnalysisXUpperLimit(), AnalysisXLowerLimit());
  app->yData = AxisData(1, AnalysisYUpperLimit(), AnalysisYLowerLimit());
  for (auto [chart, data] : {std::pair{app->xGraph, app->xData}, std::pair{app->yGraph, app->yData}}) {
    if (!chart) continue;
    StyleSets(chart);
    XtVaSetValues(chart, XtNxrtData, data, nullptr);
  }

  char x_header[100], y_header[100];
  snprintf(x_header, sizeof x_header, "X Movement Per Frame: X Vibration = %.2lf nm",
           static_cast<double>(AnalysisXVibration()));
  snprintf(y_header, sizeof y_header, "Y Movement Per Frame: Y Vibration = %.2lf nm",
           static_cast<double>(AnalysisYVibration()));
  const char* x_lines[] = {x_header, nullptr};
  const char* y_lines[] = {y_header, nullptr};
  if (app->xGraph) XtVaSetValues(app->xGraph, XtNxrtHeaderStrings, x_lines, nullptr);
  if (app->yGraph) XtVaSetValues(app->yGraph, XtNxrtHeaderStrings, y_lines, nullptr);

  SetRepaint(app->xGraph, True);
  SetRepaint(app->yGraph, True);
}
