// Private records of the Chart widget class (see chart.h for its public face).
//
// Instance state and drawing:
//
//   resource change / style change / data append / resize
//          |
//          v
//     dirty = true ---- repaint off or unrealized ----> (wait)
//          |                                              |
//          | repaint on (set_values, resize: at once;     | repaint set True
//          |  data append: from an idle work procedure)   |
//          v                                              v
//     Redraw: render into the client-side image, send it to the pixmap,
//             copy the pixmap to the window, dirty = false
//
//   Expose: repaint off -> nothing; dirty -> Redraw; else copy the exposed
//   part of the pixmap (no rendering).
//
// Invariants:
//   (1) `chart.data` is NULL or an object whose observer list holds this
//       widget; the widget drops it from the list before letting go of it.
//   (2) `chart.header_strings` is NULL or points at `state->header_ptrs`,
//       the widget's own NULL-terminated copy; string and font list resources
//       likewise always hold the widget's own copies.
//   (3) `state->surface` and `state->image` exist exactly when
//       `state->pixmap` does and have its size; all three are recreated when
//       the widget size changes.
//   (4) Nothing is drawn on the window while `chart.repaint` is False.
#pragma once

#include <X11/IntrinsicP.h>
#include <X11/CoreP.h>
#include <Xm/Xm.h>
#include <cairo.h>

#include <optional>
#include <string>
#include <vector>

#include "chart.h"
#include "colors.h"
#include "cairo_font.h"
#include "set_style.h"

namespace chart {

// The widget's private state beyond its resources.
struct ChartState {
  std::vector<std::string> headers;   // copies of the header lines
  std::vector<char*> header_ptrs;     // pointers into `headers`, NULL-terminated
  std::vector<SetStyle> styles;       // styles[n] of set n; later sets use defaults
  CairoFont axis_font;                 // from the axis font list, or the default
  CairoFont header_font;               // from the header font list, or the default
  CairoFont legend_font;               // from the legend font list, or the default
  Rgb background{1, 1, 1};            // graph background colour
  Pixel background_pixel = 0;         // the same, allocated in the widget's colormap
  bool background_allocated = false;  // background_pixel must be freed
  Visual* visual = nullptr;           // visual of the window, known once realized
  GC copy_gc = nullptr;               // copies the pixmap to the window
  Pixmap pixmap = 0;                  // off-screen picture of the whole widget
  int pixmap_width = 0;               // pixels
  int pixmap_height = 0;              // pixels
  cairo_surface_t* surface = nullptr; // cairo surface on `pixmap`
  cairo_surface_t* image = nullptr;   // client-side picture, rendered then sent to `pixmap`
  bool dirty = true;                  // the pixmap does not show the current state
  XtWorkProcId pending_redraw = 0;    // idle redraw scheduled after data changes; 0 = none
};

}  // namespace chart

typedef struct {
  XtPointer extension;  // unused, for future growth of the class
} ChartClassPart;

typedef struct _ChartClassRec {
  CoreClassPart core_class;
  ChartClassPart chart_class;
} ChartClassRec;

extern ChartClassRec chartClassRec;

typedef struct {
  // Resources.
  Boolean repaint;              // False: draw nothing until set True again
  String* header_strings;       // own NULL-terminated copy, or NULL
  ChartData* data;              // shown data, not owned; NULL = none
  String x_title;               // own copy, or NULL
  String y_title;               // own copy, or NULL
  int y_title_rotation;         // ChartRotation
  int x_origin_placement;       // ChartOriginPlacement of the Y axis line
  int y_origin_placement;       // ChartOriginPlacement of the X axis line
  int graph_border;             // ChartBorder
  Boolean legend_show;          // draw the legend
  String background_color;      // own copy of the colour name
  XmFontList axis_font;         // own copy, or NULL for the default font
  XmFontList header_font;       // own copy, or NULL
  XmFontList legend_font;       // own copy, or NULL
  // Private.
  chart::ChartState* state;     // created in initialize, deleted in destroy
} ChartPart;

typedef struct _ChartRec {
  CorePart core;
  ChartPart chart;
} ChartRec;

namespace chart {

// Marks the picture outdated and redraws at once when repainting is on and
// the widget is realized.
void Invalidate(ChartWidget cw);

// Resolves a colour name in the widget's colormap.
std::optional<Rgb> WidgetColor(ChartWidget cw, const char* name);

// Everything a drawing depends on, read from the widget.
struct ChartPicture;
void FillPicture(ChartWidget cw, ChartPicture& picture);

}  // namespace chart
