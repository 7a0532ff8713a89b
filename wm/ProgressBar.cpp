// ProgressBar.cpp - the progress bar widget class (see ProgressBar.h).
//
// A primitive that draws, inside its highlight and shadow, a trough in the
// background's shaded colour, the filled part in the bar colour from the
// left, and optionally the percentage centred on top. Every change of a
// resource that shows redraws it; nothing else is remembered between
// exposures.
#include "ProgressBarP.h"

#include <Xm/DrawP.h>
#include <Xm/XmP.h>

#include <cstdio>

namespace wm {

int ProgressFillWidth(int inner_width, int value, int minimum, int maximum) {
  if (inner_width <= 0 || maximum <= minimum || value <= minimum) return 0;
  if (value >= maximum) return inner_width;
  long long fill = static_cast<long long>(inner_width) * (value - minimum) / (maximum - minimum);
  return static_cast<int>(fill);
}

int ProgressPercent(int value, int minimum, int maximum) {
  if (maximum <= minimum || value <= minimum) return 0;
  if (value >= maximum) return 100;
  return static_cast<int>(100LL * (value - minimum) / (maximum - minimum));
}

}  // namespace wm

namespace {

#define OFFSET(field) XtOffsetOf(ProgressBarRec, progress.field)

XtResource kResources[] = {
    {const_cast<char*>(XmNvalue), const_cast<char*>(XmCValue), const_cast<char*>(XmRInt), sizeof(int),
     OFFSET(value), const_cast<char*>(XmRImmediate), reinterpret_cast<XtPointer>(0)},
    {const_cast<char*>(XmNminimum), const_cast<char*>(XmCMinimum), const_cast<char*>(XmRInt), sizeof(int),
     OFFSET(minimum), const_cast<char*>(XmRImmediate), reinterpret_cast<XtPointer>(0)},
    {const_cast<char*>(XmNmaximum), const_cast<char*>(XmCMaximum), const_cast<char*>(XmRInt), sizeof(int),
     OFFSET(maximum), const_cast<char*>(XmRImmediate), reinterpret_cast<XtPointer>(100)},
    {const_cast<char*>(XmNshowValue), const_cast<char*>(XmCShowValue), const_cast<char*>(XmRBoolean),
     sizeof(Boolean), OFFSET(show_value), const_cast<char*>(XmRImmediate),
     reinterpret_cast<XtPointer>(True)},
    {const_cast<char*>(XmNbarColor), const_cast<char*>(XmCBarColor), const_cast<char*>(XmRPixel),
     sizeof(Pixel), OFFSET(bar_color), const_cast<char*>(XmRString),
     const_cast<char*>("#4a6fa5")},
    {const_cast<char*>(XmNrenderTable), const_cast<char*>(XmCRenderTable),
     const_cast<char*>(XmRRenderTable), sizeof(XmRenderTable), OFFSET(render_table),
     const_cast<char*>(XmRImmediate), nullptr},
};

#undef OFFSET

ProgressBarPart& Part(Widget w) { return reinterpret_cast<ProgressBarWidget>(w)->progress; }
XmPrimitivePart& Primitive(Widget w) { return reinterpret_cast<ProgressBarWidget>(w)->primitive; }

void GetBarGC(Widget w) {
  XGCValues values;
  values.foreground = Part(w).bar_color;
  Part(w).bar_gc = XtGetGC(w, GCForeground, &values);
}

// The trough is the background's shaded (select) colour: the bar looks
// sunk into the window.
void GetTroughAndTextGCs(Widget w) {
  Pixel foreground, top, bottom, select;
  XmGetColors(XtScreen(w), w->core.colormap, w->core.background_pixel, &foreground, &top, &bottom,
              &select);
  XGCValues values;
  values.foreground = select;
  Part(w).trough_gc = XtGetGC(w, GCForeground, &values);
  // XmStringDraw sets the font of the GC it draws with: this one is the
  // widget's own, not shared through the GC cache.
  values.foreground = Primitive(w).foreground;
  Part(w).text_gc = XCreateGC(XtDisplay(w), RootWindowOfScreen(XtScreen(w)), GCForeground, &values);
}

void ReleaseGCs(Widget w) {
  ProgressBarPart& p = Part(w);
  if (p.bar_gc) XtReleaseGC(w, p.bar_gc);
  if (p.trough_gc) XtReleaseGC(w, p.trough_gc);
  if (p.text_gc) XFreeGC(XtDisplay(w), p.text_gc);
  p.bar_gc = p.trough_gc = p.text_gc = nullptr;
}

void Initialize(Widget, Widget w, ArgList, Cardinal*) {
  ProgressBarPart& p = Part(w);
  XmRenderTable table = p.render_table ? p.render_table : XmeGetDefaultRenderTable(w, XmLABEL_FONTLIST);
  p.render_table = XmRenderTableCopy(table, nullptr, 0);
  p.bar_gc = p.trough_gc = p.text_gc = nullptr;
  GetBarGC(w);
  GetTroughAndTextGCs(w);
  Dimension frame = static_cast<Dimension>(2 * (Primitive(w).highlight_thickness + Primitive(w).shadow_thickness));
  if (w->core.width == 0) w->core.width = static_cast<Dimension>(200 + frame);
  if (w->core.height == 0) {
    XmString sample = XmStringCreateLocalized(const_cast<char*>("100%"));
    Dimension text_width = 0, text_height = 0;
    XmStringExtent(p.render_table, sample, &text_width, &text_height);
    XmStringFree(sample);
    w->core.height = static_cast<Dimension>(text_height + 4 + frame);
  }
}

void Destroy(Widget w) {
  ReleaseGCs(w);
  XmRenderTableFree(Part(w).render_table);
}

void Redisplay(Widget w, XEvent*, Region) {
  if (!XtIsRealized(w)) return;
  Display* dpy = XtDisplay(w);
  Window window = XtWindow(w);
  ProgressBarPart& p = Part(w);
  int highlight = Primitive(w).highlight_thickness;
  int shadow = Primitive(w).shadow_thickness;
  int inset = highlight + shadow;
  int inner_width = static_cast<int>(w->core.width) - 2 * inset;
  int inner_height = static_cast<int>(w->core.height) - 2 * inset;
  if (inner_width > 0 && inner_height > 0) {
    int fill = wm::ProgressFillWidth(inner_width, p.value, p.minimum, p.maximum);
    XFillRectangle(dpy, window, p.trough_gc, inset, inset, static_cast<unsigned>(inner_width),
                   static_cast<unsigned>(inner_height));
    if (fill > 0)
      XFillRectangle(dpy, window, p.bar_gc, inset, inset, static_cast<unsigned>(fill),
                     static_cast<unsigned>(inner_height));
    if (p.show_value) {
      char text[16];
      snprintf(text, sizeof text, "%d%%", wm::ProgressPercent(p.value, p.minimum, p.maximum));
      XmString s = XmStringCreateLocalized(text);
      Dimension text_width = 0, text_height = 0;
      XmStringExtent(p.render_table, s, &text_width, &text_height);
      int y = inset + (inner_height - text_height) / 2;
      XmStringDraw(dpy, window, p.render_table, s, p.text_gc, static_cast<Position>(inset),
                   static_cast<Position>(y), static_cast<Dimension>(inner_width), XmALIGNMENT_CENTER,
                   XmSTRING_DIRECTION_L_TO_R, nullptr);
      XmStringFree(s);
    }
  }
  if (shadow > 0)
    XmeDrawShadows(dpy, window, Primitive(w).top_shadow_GC, Primitive(w).bottom_shadow_GC,
                   static_cast<Position>(highlight), static_cast<Position>(highlight),
                   static_cast<Dimension>(w->core.width - 2 * highlight),
                   static_cast<Dimension>(w->core.height - 2 * highlight),
                   static_cast<Dimension>(shadow), XmSHADOW_IN);
}

Boolean SetValues(Widget old, Widget, Widget w, ArgList, Cardinal*) {
  ProgressBarPart& before = Part(old);
  ProgressBarPart& now = Part(w);
  Boolean redraw = False;
  if (now.value != before.value || now.minimum != before.minimum || now.maximum != before.maximum ||
      now.show_value != before.show_value)
    redraw = True;
  if (now.render_table != before.render_table) {
    XmRenderTable table = now.render_table ? now.render_table : XmeGetDefaultRenderTable(w, XmLABEL_FONTLIST);
    now.render_table = XmRenderTableCopy(table, nullptr, 0);
    XmRenderTableFree(before.render_table);
    redraw = True;
  }
  bool colours = now.bar_color != before.bar_color ||
                 Primitive(w).foreground != Primitive(old).foreground ||
                 w->core.background_pixel != old->core.background_pixel;
  if (colours) {
    // The new widget record still holds the old GCs: release them once.
    ReleaseGCs(w);
    GetBarGC(w);
    GetTroughAndTextGCs(w);
    redraw = True;
  }
  return redraw;
}

}  // namespace

extern "C" {

ProgressBarClassRec progressBarClassRec = {
    {
        // core
        reinterpret_cast<WidgetClass>(&xmPrimitiveClassRec),  // superclass
        const_cast<char*>("ProgressBar"),                    // class_name
        sizeof(ProgressBarRec),                              // widget_size
        nullptr,                                             // class_initialize
        nullptr,                                             // class_part_initialize
        False,                                               // class_inited
        Initialize,                                          // initialize
        nullptr,                                             // initialize_hook
        XtInheritRealize,                                    // realize
        nullptr,                                             // actions
        0,                                                   // num_actions
        kResources,                                          // resources
        XtNumber(kResources),                                // num_resources
        NULLQUARK,                                           // xrm_class
        True,                                                // compress_motion
        XtExposeCompressMaximal,                             // compress_exposure
        True,                                                // compress_enterleave
        False,                                               // visible_interest
        Destroy,                                             // destroy
        nullptr,                                             // resize
        Redisplay,                                           // expose
        SetValues,                                           // set_values
        nullptr,                                             // set_values_hook
        XtInheritSetValuesAlmost,                            // set_values_almost
        nullptr,                                             // get_values_hook
        nullptr,                                             // accept_focus
        XtVersion,                                           // version
        nullptr,                                             // callback_private
        XtInheritTranslations,                               // tm_table
        nullptr,                                             // query_geometry
        nullptr,                                             // display_accelerator
        nullptr,                                             // extension
    },
    {
        // primitive
        XmInheritBorderHighlight,    // border_highlight
        XmInheritBorderUnhighlight,  // border_unhighlight
        XtInheritTranslations,       // translations
        nullptr,                     // arm_and_activate
        nullptr,                     // syn_resources
        0,                           // num_syn_resources
        nullptr,                     // extension
    },
    {
        nullptr,  // extension
    },
};

WidgetClass progressBarWidgetClass = reinterpret_cast<WidgetClass>(&progressBarClassRec);

}  // extern "C"
