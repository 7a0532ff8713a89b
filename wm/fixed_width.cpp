// fixed_width.cpp - widths of labels, buttons and toggles computed from
// their text, so that a row of buttons looks the same in every tool of the
// suite whatever font details the server picks.
//
// The width of one character cell is the width of "D" in the widget's font
// list. Processes attached to the suite's arena share it through the named
// block "WM_FIXED_CHAR_SIZE" (the first process computes it); a process
// that is not attached computes it once for itself.
#include <Xm/Label.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstring>

#include "iwbase.h"
#include "wm_state.h"

namespace wm {
namespace {

int MeasureCharWidth(Widget w) {
  XmRenderTable table = nullptr;
  XtVaGetValues(w, XmNrenderTable, &table, nullptr);
  if (!table) return 8;
  XmString d = MakeXmString("D");
  int width = XmStringWidth(table, d);
  XmStringFree(d);
  return width > 0 ? width : 8;
}

int FixedCharWidth(Widget w) {
  if (gWM.fixed_char_width > 0) return gWM.fixed_char_width;
  auto* shared = static_cast<int16_t*>(IWRtNamedSHMAdd("WM_FIXED_CHAR_SIZE"));
  if (shared && *shared > 0) {
    gWM.fixed_char_width = *shared;
    return gWM.fixed_char_width;
  }
  gWM.fixed_char_width = MeasureCharWidth(w);
  if (!shared) shared = static_cast<int16_t*>(IWAlcNamedSHM(1, sizeof(int16_t), "WM_FIXED_CHAR_SIZE"));
  if (shared) *shared = static_cast<int16_t>(gWM.fixed_char_width);
  return gWM.fixed_char_width;
}

}  // namespace

// The border of a Motif label or button is what surrounds its margin: the
// window border, the shadow and the keyboard-focus highlight. Counting only
// the window border would clip the text of every button by the width of its
// shadow and highlight.
int BorderOf(Widget w) {
  Dimension border = 0, shadow = 0, highlight = 0;
  XtVaGetValues(w, XmNborderWidth, &border, XmNshadowThickness, &shadow, XmNhighlightThickness,
                &highlight, nullptr);
  return border + shadow + highlight;
}

void SizeFromText(Widget w, const char* text) {
  if (!gWM.fixed_width_sizing || !text) return;
  Dimension margin = 0;
  XtVaGetValues(w, XmNmarginWidth, &margin, nullptr);
  int width = static_cast<int>(strlen(text)) * FixedCharWidth(w) + 2 * BorderOf(w) + 2 * margin;
  if (XmIsToggleButton(w)) {
    Dimension indicator = 0, spacing = 0;
    XtVaGetValues(w, XmNindicatorSize, &indicator, XmNspacing, &spacing, nullptr);
    width += indicator + spacing;
  }
  if (width > 0) XtVaSetValues(w, XmNwidth, static_cast<Dimension>(width), nullptr);
}

}  // namespace wm

using namespace wm;

extern "C" {

void WMSetFixedWidthSizing(int on) { gWM.fixed_width_sizing = on ? 1 : 0; }

int WMRtFixedCharWidth(void) try {
  if (gWM.fixed_char_width > 0) return gWM.fixed_char_width;
  if (!gWM.current_form) return 0;
  // Measure with a throwaway label so the default font list is used.
  Widget probe = XtCreateWidget("info", xmLabelWidgetClass, gWM.current_form, nullptr, 0);
  int width = FixedCharWidth(probe);
  XtDestroyWidget(probe);
  return width;
} catch (...) {
  wm::ReportEscapedException("WMRtFixedCharWidth");
  return {};
}

}  // extern "C"
