// ProgressBar.h - the progress bar widget: a bar filled in proportion to a
// value between a minimum and a maximum, with the percentage written on it.
//
// Resources (besides those of XmPrimitive):
//   XmNvalue       int         0       the value shown
//   XmNminimum     int         0       value of an empty bar
//   XmNmaximum     int         100     value of a full bar
//   XmNshowValue   Boolean     True    write "<percent>%" on the bar
//   XmNbarColor    Pixel       "#4a6fa5"  colour of the filled part
//   XmNrenderTable XmRenderTable  (label font)  font of the percentage
// Values outside minimum..maximum are drawn as an empty or a full bar.
#pragma once

#include <Xm/Xm.h>

#ifndef XmNbarColor
#define XmNbarColor "barColor"
#define XmCBarColor "BarColor"
#endif

extern "C" {
extern WidgetClass progressBarWidgetClass;
}

namespace wm {

// The filled width of a bar `inner_width` pixels wide for `value`.
int ProgressFillWidth(int inner_width, int value, int minimum, int maximum);
// The percentage written on the bar (0..100).
int ProgressPercent(int value, int minimum, int maximum);

}  // namespace wm
