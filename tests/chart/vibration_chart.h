// Charts as the vibration application fills them: its creation resources
// and fonts, its twelve set styles, and realistic data (ten bead tracks of
// frame-to-frame displacement in nm plus the two band limits).
#pragma once

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include "chart.h"

namespace chart::x_testing {

// The font names the application converts to font lists.
inline constexpr const char* kAxisFontName = "-*-helvetica-medium-r-*-*-18-*-*-*-*-*-*-*";
inline constexpr const char* kBoldFontName = "-*-helvetica-bold-r-*-*-18-*-*-*-*-*-*-*";

// A font list holding the core font `name`, or NULL when the server has no
// such font.
XmFontList LoadFontList(Display* display, const char* name);

// Creates a chart with the application's resources (800x400 unless given),
// its four edges attached to `form`, and sets its fonts.
Widget CreateVibrationChart(Widget form, const char* name, int width, int height);

// Gives sets 0..11 of `chart` the application's styles.
void ApplyVibrationStyles(Widget chart);

struct VibrationRun {
  double upper = 0;      // mean + 2 sd of all drawn displacements, nm
  double lower = 0;      // mean - 2 sd, nm
  double vibration = 0;  // |upper| + |lower|, nm
};

// Fills `data` (12 sets) with `tracks` (at most 10) tracks of `frames`
// frames and the limit lines, from a seeded simulation of stage vibration
// and localisation noise of `amplitude` nm.
VibrationRun FillVibrationData(ChartData* data, int frames, int tracks, double amplitude,
                               unsigned seed);

}  // namespace chart::x_testing
