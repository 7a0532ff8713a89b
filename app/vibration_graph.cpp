// vibration_graph.cpp - creating the two vibration charts.
//
// Both charts plot the displacement in nanometres against the frame number
// with their origins at the axis minimum, a raised border, no legend, a
// gray85 plot background and 18-pixel Helvetica axis and header fonts.
#include <Xm/Xm.h>

#include <cstdio>
#include <cstring>

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
