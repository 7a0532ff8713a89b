// Vibration charts for the widget tests and the screenshot program.
#include "vibration_chart.h"

#include <Xm/Form.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace chart::x_testing {

namespace {

const char* const kTrackColors[10] = {"red",    "green",  "blue",        "cyan",      "yellow",
                                      "magenta", "orange", "forestGreen", "aliceBlue", "black"};

}  // namespace

XmFontList LoadFontList(Display* display, const char* name) {
  // Motif reports success for missing fonts, so ask the server first.
  XFontStruct* probe = XLoadQueryFont(display, name);
  if (!probe) return nullptr;
  XFreeFont(display, probe);
  XmFontListEntry entry =
      XmFontListEntryLoad(display, const_cast<char*>(name), XmFONT_IS_FONT,
                          const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  if (!entry) return nullptr;
  XmFontList list = XmFontListAppendEntry(nullptr, entry);
  XmFontListEntryFree(&entry);
  return list;
}

Widget CreateVibrationChart(Widget form, const char* name, int width, int height) {
  // Integers travel through the variable argument list as XtArgVal.
  auto v = [](long value) { return static_cast<XtArgVal>(value); };
  Widget chart = XtVaCreateManagedWidget(
      name, chartWidgetClass, form, XtNwidth, v(width), XtNheight, v(height),
      XtNxrtYTitleRotation, v(ChartRotate90), XtNxrtXOriginPlacement, v(ChartOriginMin),
      XtNxrtYOriginPlacement, v(ChartOriginMin), XtNxrtGraphBorder, v(ChartBorder3DRaised),
      XtNxrtLegendShow, v(False), XtNxrtXTitle, "Frame Number", XtNxrtYTitle, "Vibration (nm)",
      XtNxrtGraphBackgroundColor, "gray85", XmNtopAttachment, v(XmATTACH_FORM),
      XmNbottomAttachment, v(XmATTACH_FORM), XmNleftAttachment, v(XmATTACH_FORM),
      XmNrightAttachment, v(XmATTACH_FORM), nullptr);
  XmFontList axis = LoadFontList(XtDisplay(form), kAxisFontName);
  XmFontList bold = LoadFontList(XtDisplay(form), kBoldFontName);
  XtVaSetValues(chart, XtNxrtAxisFont, axis, XtNxrtHeaderFont, bold, XtNxrtLegendFont, bold,
                nullptr);
  // The chart keeps its own copies.
  if (axis) XmFontListFree(axis);
  if (bold) XmFontListFree(bold);
  return chart;
}

void ApplyVibrationStyles(Widget chart) {
  for (int n = 0; n < 12; ++n) {
    const char* color = n < 10 ? kTrackColors[n] : "red";
    const ChartStyle style{ChartLineSolid, ChartFillNone, color, n < 10 ? 1 : 3,
                           ChartPointNone, color, 1};
    ChartSetStyle(chart, n, &style);
  }
}

VibrationRun FillVibrationData(ChartData* data, int frames, int tracks, double amplitude,
                               unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0.0, amplitude * 0.35);
  std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
  // Stage motion common to all beads: two resonances and a slow drift.
  const double p1 = phase(rng), p2 = phase(rng);
  std::vector<double> stage(static_cast<size_t>(frames) + 1);
  for (int f = 0; f <= frames; ++f)
    stage[static_cast<size_t>(f)] = amplitude * (0.6 * std::sin(0.9 * f + p1) + 0.3 * std::sin(0.23 * f + p2)) +
                                    0.002 * amplitude * f;
  tracks = std::clamp(tracks, 0, 10);
  std::vector<double> all;
  for (int t = 0; t < tracks; ++t) {
    for (int f = 0; f < frames; ++f) {
      // Frame-to-frame displacement as seen by one bead.
      const double d = stage[static_cast<size_t>(f) + 1] - stage[static_cast<size_t>(f)] + noise(rng);
      const float stored = static_cast<float>(d);
      ChartDataAppendPoint(data, t, f, stored);
      all.push_back(stored);
    }
  }
  VibrationRun run;
  if (!all.empty()) {
    double mean = 0;
    for (double v : all) mean += v;
    mean /= static_cast<double>(all.size());
    double var = 0;
    for (double v : all) var += (v - mean) * (v - mean);
    const double sd = std::sqrt(var / static_cast<double>(all.size()));
    run.upper = mean + 2 * sd;
    run.lower = mean - 2 * sd;
    run.vibration = std::fabs(run.upper) + std::fabs(run.lower);
  }
  ChartDataAppendPoint(data, 10, 0, run.upper);
  ChartDataAppendPoint(data, 10, frames, run.upper);
  ChartDataAppendPoint(data, 11, 0, run.lower);
  ChartDataAppendPoint(data, 11, frames, run.lower);
  return run;
}

}  // namespace chart::x_testing
