// The Chart widget class: resources, the class record and the Xt methods
// (initialize, realize, expose, resize, set_values, destroy), double-buffered
// drawing and the link to the shown data object. See ChartP.h for the state
// diagram and invariants.
#include <X11/Xatom.h>
#include <cairo-xlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "ChartP.h"
#include "chart_data.h"
#include "layout.h"
#include "picture.h"
#include "render.h"

namespace {

using chart::ChartState;

// Xt keeps resource names in non-const String fields.
char* Str(const char* s) { return const_cast<char*>(s); }

#define CHART_OFFSET(field) XtOffsetOf(ChartRec, chart.field)

XtResource resources[] = {
    // A chart draws its own border (xrtGraphBorder); no X window border by default.
    {Str(XtNborderWidth), Str(XtCBorderWidth), Str(XtRDimension), sizeof(Dimension),
     XtOffsetOf(ChartRec, core.border_width), Str(XtRImmediate), reinterpret_cast<XtPointer>(0)},
    {Str(XtNxrtRepaint), Str(XtCChartRepaint), Str(XtRBoolean), sizeof(Boolean),
     CHART_OFFSET(repaint), Str(XtRImmediate), reinterpret_cast<XtPointer>(True)},
    {Str(XtNxrtHeaderStrings), Str(XtCChartHeaderStrings), Str(XtRPointer), sizeof(String*),
     CHART_OFFSET(header_strings), Str(XtRImmediate), nullptr},
    {Str(XtNxrtData), Str(XtCChartData), Str(XtRPointer), sizeof(ChartData*),
     CHART_OFFSET(data), Str(XtRImmediate), nullptr},
    {Str(XtNxrtXTitle), Str(XtCChartTitle), Str(XtRString), sizeof(String),
     CHART_OFFSET(x_title), Str(XtRImmediate), nullptr},
    {Str(XtNxrtYTitle), Str(XtCChartTitle), Str(XtRString), sizeof(String),
     CHART_OFFSET(y_title), Str(XtRImmediate), nullptr},
    {Str(XtNxrtYTitleRotation), Str(XtCChartRotation), Str(XtRInt), sizeof(int),
     CHART_OFFSET(y_title_rotation), Str(XtRImmediate), reinterpret_cast<XtPointer>(ChartRotate90)},
    {Str(XtNxrtXOriginPlacement), Str(XtCChartOriginPlacement), Str(XtRInt), sizeof(int),
     CHART_OFFSET(x_origin_placement), Str(XtRImmediate),
     reinterpret_cast<XtPointer>(ChartOriginAuto)},
    {Str(XtNxrtYOriginPlacement), Str(XtCChartOriginPlacement), Str(XtRInt), sizeof(int),
     CHART_OFFSET(y_origin_placement), Str(XtRImmediate),
     reinterpret_cast<XtPointer>(ChartOriginAuto)},
    {Str(XtNxrtGraphBorder), Str(XtCChartBorder), Str(XtRInt), sizeof(int),
     CHART_OFFSET(graph_border), Str(XtRImmediate), reinterpret_cast<XtPointer>(ChartBorderNone)},
    {Str(XtNxrtLegendShow), Str(XtCChartLegendShow), Str(XtRBoolean), sizeof(Boolean),
     CHART_OFFSET(legend_show), Str(XtRImmediate), reinterpret_cast<XtPointer>(False)},
    {Str(XtNxrtGraphBackgroundColor), Str(XtCChartBackgroundColor), Str(XtRString),
     sizeof(String), CHART_OFFSET(background_color), Str(XtRImmediate), Str("white")},
    {Str(XtNxrtAxisFont), Str(XtCChartFont), Str(XmRFontList), sizeof(XmFontList),
     CHART_OFFSET(axis_font), Str(XtRImmediate), nullptr},
    {Str(XtNxrtHeaderFont), Str(XtCChartFont), Str(XmRFontList), sizeof(XmFontList),
     CHART_OFFSET(header_font), Str(XtRImmediate), nullptr},
    {Str(XtNxrtLegendFont), Str(XtCChartFont), Str(XmRFontList), sizeof(XmFontList),
     CHART_OFFSET(legend_font), Str(XtRImmediate), nullptr},
};

// Size a chart takes when created without one, pixels.
constexpr Dimension kDefaultWidth = 400;
constexpr Dimension kDefaultHeight = 300;

ChartWidget AsChart(Widget w) { return reinterpret_cast<ChartWidget>(w); }

void Warn(Widget w, const char* what, const char* text) {
  String params[] = {XtName(w)};
  Cardinal n = 1;
  XtAppWarningMsg(XtWidgetToApplicationContext(w), Str(what), Str("chart"), Str("Chart"),
                  Str(text), params, &n);
}

// Copies of caller strings; the widget owns what these return.
char* CopyString(const char* s) { return s ? XtNewString(s) : nullptr; }

// Keeps `value` if it lies in [lo, hi], else warns and returns `fallback`.
int CheckEnum(Widget w, int value, int lo, int hi, int fallback, const char* resource) {
  if (value >= lo && value <= hi) return value;
  String params[] = {XtName(w), Str(resource)};
  Cardinal n = 2;
  XtAppWarningMsg(XtWidgetToApplicationContext(w), Str("badValue"), Str("chart"), Str("Chart"),
                  Str("Chart %s: value of resource %s out of range; ignored"), params, &n);
  return fallback;
}

bool HeadersEqual(const ChartState& st, String* lines) {
  size_t n = 0;
  for (; lines && lines[n]; ++n)
    if (n >= st.headers.size() || st.headers[n] != lines[n]) return false;
  return n == st.headers.size();
}

// Replaces the header copy with `lines` (NULL-terminated, or NULL) and
// returns the widget's own array for the resource field.
String* CopyHeaders(ChartState& st, String* lines) {
  st.headers.clear();
  st.header_ptrs.clear();
  if (!lines) return nullptr;
  for (size_t n = 0; lines[n]; ++n) st.headers.emplace_back(lines[n]);
  for (auto& h : st.headers) st.header_ptrs.push_back(h.data());
  st.header_ptrs.push_back(nullptr);
  return st.header_ptrs.data();
}

chart::CairoFont ResolveFont(Widget w, XmFontList list, chart::FontRole role) {
  const chart::CairoFont fallback = chart::DefaultFont(role);
  return chart::FontFromFontList(XtDisplay(w), list, fallback).value_or(fallback);
}

// Takes the colour named by the background resource: RGB for drawing, a
// pixel for the window background that the server shows while nothing is
// drawn. An unknown name is refused with a warning (false), changing nothing.
bool ApplyBackground(ChartWidget cw) {
  Widget w = reinterpret_cast<Widget>(cw);
  ChartState& st = *cw->chart.state;
  auto rgb = chart::WidgetColor(cw, cw->chart.background_color);
  if (!rgb) {
    Warn(w, "badColor", "Chart %s: unknown graph background colour; ignored");
    return false;
  }
  st.background = *rgb;
  XColor xc{};
  xc.red = static_cast<unsigned short>(rgb->r * 65535 + 0.5);
  xc.green = static_cast<unsigned short>(rgb->g * 65535 + 0.5);
  xc.blue = static_cast<unsigned short>(rgb->b * 65535 + 0.5);
  xc.flags = DoRed | DoGreen | DoBlue;
  // Without a free colour cell the window keeps its old background; the
  // picture itself is drawn in true colour all the same.
  if (!XAllocColor(XtDisplay(w), cw->core.colormap, &xc)) return true;
  if (st.background_allocated)
    XFreeColors(XtDisplay(w), cw->core.colormap, &st.background_pixel, 1, 0);
  st.background_pixel = xc.pixel;
  st.background_allocated = true;
  cw->core.background_pixel = xc.pixel;
  if (XtIsRealized(w)) XSetWindowBackground(XtDisplay(w), XtWindow(w), xc.pixel);
  return true;
}

void ReleasePixmap(ChartWidget cw) {
  ChartState& st = *cw->chart.state;
  if (st.image) cairo_surface_destroy(st.image);
  if (st.surface) cairo_surface_destroy(st.surface);
  if (st.pixmap) XFreePixmap(XtDisplay(reinterpret_cast<Widget>(cw)), st.pixmap);
  st.image = nullptr;
  st.surface = nullptr;
  st.pixmap = 0;
  st.pixmap_width = st.pixmap_height = 0;
}

bool EnsurePixmap(ChartWidget cw) {
  Widget w = reinterpret_cast<Widget>(cw);
  ChartState& st = *cw->chart.state;
  const int width = std::max<int>(1, cw->core.width);
  const int height = std::max<int>(1, cw->core.height);
  if (st.pixmap && st.pixmap_width == width && st.pixmap_height == height) return true;
  ReleasePixmap(cw);
  st.pixmap = XCreatePixmap(XtDisplay(w), XtWindow(w), static_cast<unsigned>(width),
                            static_cast<unsigned>(height), cw->core.depth);
  if (!st.pixmap) return false;
  st.surface = cairo_xlib_surface_create(XtDisplay(w), st.pixmap, st.visual, width, height);
  st.image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(st.surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_status(st.image) != CAIRO_STATUS_SUCCESS) {
    ReleasePixmap(cw);
    return false;
  }
  st.pixmap_width = width;
  st.pixmap_height = height;
  return true;
}

void CopyToWindow(ChartWidget cw, int x, int y, int width, int height) {
  Widget w = reinterpret_cast<Widget>(cw);
  ChartState& st = *cw->chart.state;
  XCopyArea(XtDisplay(w), st.pixmap, XtWindow(w), st.copy_gc, x, y, static_cast<unsigned>(width),
            static_cast<unsigned>(height), x, y);
}

// Renders the whole chart into the pixmap and shows it.
void RedrawNow(ChartWidget cw) {
  Widget w = reinterpret_cast<Widget>(cw);
  ChartState& st = *cw->chart.state;
  if (!XtIsRealized(w) || !cw->chart.repaint) {
    st.dirty = true;
    return;
  }
  if (!EnsurePixmap(cw)) {
    Warn(w, "noPixmap", "Chart %s: cannot create the drawing pixmap");
    return;
  }
  chart::ChartPicture picture;
  chart::FillPicture(cw, picture);
  // Rendered in client memory, then sent to the pixmap in one piece: the
  // client-side rasteriser is faster than having the server draw thousands
  // of anti-aliased segments, and gives the same pixels on every server.
  cairo_t* cr = cairo_create(st.image);
  const chart::ChartLayout layout = chart::ComputeLayout(cr, picture);
  chart::RenderChart(cr, picture, layout);
  cairo_destroy(cr);
  cairo_surface_flush(st.image);
  cr = cairo_create(st.surface);
  cairo_set_source_surface(cr, st.image, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(st.surface);
  CopyToWindow(cw, 0, 0, st.pixmap_width, st.pixmap_height);
  st.dirty = false;
}

Boolean RedrawWorkProc(XtPointer client) {
  ChartWidget cw = AsChart(static_cast<Widget>(client));
  cw->chart.state->pending_redraw = 0;
  if (cw->chart.state->dirty) RedrawNow(cw);
  return True;  // done: remove the work procedure
}

// Data changes arrive point by point; they are drawn once the toolkit is idle.
void DataChanged(void* client, ChartData* data, chart::DataEvent event) {
  ChartWidget cw = AsChart(static_cast<Widget>(client));
  Widget w = static_cast<Widget>(client);
  ChartState& st = *cw->chart.state;
  if (event == chart::DataEvent::kDestroyed && cw->chart.data == data) cw->chart.data = nullptr;
  st.dirty = true;
  if (cw->chart.repaint && XtIsRealized(w) && !st.pending_redraw)
    st.pending_redraw = XtAppAddWorkProc(XtWidgetToApplicationContext(w), RedrawWorkProc, w);
}

void Initialize(Widget request, Widget created, ArgList, Cardinal*) {
  (void)request;
  ChartWidget cw = AsChart(created);
  ChartPart& c = cw->chart;
  c.state = new (std::nothrow) ChartState;
  if (!c.state)
    XtAppErrorMsg(XtWidgetToApplicationContext(created), Str("noMemory"), Str("chart"),
                  Str("Chart"), Str("Chart: out of memory"), nullptr, nullptr);
  ChartState& st = *c.state;
  if (cw->core.width == 0) cw->core.width = kDefaultWidth;
  if (cw->core.height == 0) cw->core.height = kDefaultHeight;

  c.y_title_rotation = CheckEnum(created, c.y_title_rotation, ChartRotateNone, ChartRotate270,
                                 ChartRotate90, XtNxrtYTitleRotation);
  c.x_origin_placement = CheckEnum(created, c.x_origin_placement, ChartOriginAuto,
                                   ChartOriginMax, ChartOriginAuto, XtNxrtXOriginPlacement);
  c.y_origin_placement = CheckEnum(created, c.y_origin_placement, ChartOriginAuto,
                                   ChartOriginMax, ChartOriginAuto, XtNxrtYOriginPlacement);
  c.graph_border = CheckEnum(created, c.graph_border, ChartBorderNone, ChartBorderPlain,
                             ChartBorderNone, XtNxrtGraphBorder);

  c.x_title = CopyString(c.x_title);
  c.y_title = CopyString(c.y_title);
  c.background_color = CopyString(c.background_color ? c.background_color : "white");
  c.header_strings = CopyHeaders(st, c.header_strings);
  c.axis_font = c.axis_font ? XmFontListCopy(c.axis_font) : nullptr;
  c.header_font = c.header_font ? XmFontListCopy(c.header_font) : nullptr;
  c.legend_font = c.legend_font ? XmFontListCopy(c.legend_font) : nullptr;
  st.axis_font = ResolveFont(created, c.axis_font, chart::FontRole::kAxis);
  st.header_font = ResolveFont(created, c.header_font, chart::FontRole::kHeader);
  st.legend_font = ResolveFont(created, c.legend_font, chart::FontRole::kLegend);
  if (!ApplyBackground(cw)) {
    XtFree(c.background_color);
    c.background_color = CopyString("white");
    ApplyBackground(cw);
  }
  if (c.data) chart::AddDataObserver(c.data, DataChanged, created);
}

void Realize(Widget w, XtValueMask* mask, XSetWindowAttributes* attributes) {
  ChartWidget cw = AsChart(w);
  ChartState& st = *cw->chart.state;
  // The whole picture depends on the size: discard the old contents on resize.
  attributes->bit_gravity = ForgetGravity;
  *mask |= CWBitGravity;
  XtCreateWindow(w, InputOutput, CopyFromParent, *mask, attributes);
  XWindowAttributes wa;
  XGetWindowAttributes(XtDisplay(w), XtWindow(w), &wa);
  st.visual = wa.visual;
  XGCValues gcv{};
  gcv.graphics_exposures = False;
  st.copy_gc = XCreateGC(XtDisplay(w), XtWindow(w), GCGraphicsExposures, &gcv);
  st.dirty = true;
}

void Redisplay(Widget w, XEvent* event, Region region) {
  ChartWidget cw = AsChart(w);
  ChartState& st = *cw->chart.state;
  if (!cw->chart.repaint) return;
  if (st.dirty || !st.pixmap) {
    RedrawNow(cw);
    return;
  }
  XRectangle box;
  if (region) {
    XClipBox(region, &box);
  } else {
    box.x = static_cast<short>(event->xexpose.x);
    box.y = static_cast<short>(event->xexpose.y);
    box.width = static_cast<unsigned short>(event->xexpose.width);
    box.height = static_cast<unsigned short>(event->xexpose.height);
  }
  CopyToWindow(cw, box.x, box.y, box.width, box.height);
}

void Resize(Widget w) {
  ChartWidget cw = AsChart(w);
  cw->chart.state->dirty = true;
  RedrawNow(cw);
}

Boolean SetValues(Widget current, Widget request, Widget updated, ArgList, Cardinal*) {
  (void)request;
  ChartWidget old = AsChart(current);
  ChartWidget cw = AsChart(updated);
  ChartPart& c = cw->chart;
  ChartState& st = *c.state;
  bool changed = false;

  c.y_title_rotation = CheckEnum(updated, c.y_title_rotation, ChartRotateNone, ChartRotate270,
                                 old->chart.y_title_rotation, XtNxrtYTitleRotation);
  c.x_origin_placement = CheckEnum(updated, c.x_origin_placement, ChartOriginAuto,
                                   ChartOriginMax, old->chart.x_origin_placement,
                                   XtNxrtXOriginPlacement);
  c.y_origin_placement = CheckEnum(updated, c.y_origin_placement, ChartOriginAuto,
                                   ChartOriginMax, old->chart.y_origin_placement,
                                   XtNxrtYOriginPlacement);
  c.graph_border = CheckEnum(updated, c.graph_border, ChartBorderNone, ChartBorderPlain,
                             old->chart.graph_border, XtNxrtGraphBorder);
  changed |= c.y_title_rotation != old->chart.y_title_rotation ||
             c.x_origin_placement != old->chart.x_origin_placement ||
             c.y_origin_placement != old->chart.y_origin_placement ||
             c.graph_border != old->chart.graph_border ||
             c.legend_show != old->chart.legend_show;

  auto replace_string = [&](String& now, String before) {
    if (now == before) return;
    const bool same = now && before && std::strcmp(now, before) == 0;
    now = CopyString(now);
    XtFree(before);
    changed |= !same;
  };
  replace_string(c.x_title, old->chart.x_title);
  replace_string(c.y_title, old->chart.y_title);

  if (c.background_color != old->chart.background_color) {
    if (!c.background_color) c.background_color = old->chart.background_color;
    else {
      c.background_color = CopyString(c.background_color);
      if (ApplyBackground(cw)) {
        XtFree(old->chart.background_color);
        changed = true;
      } else {
        XtFree(c.background_color);
        c.background_color = old->chart.background_color;
      }
    }
  }

  if (c.header_strings != old->chart.header_strings) {
    if (HeadersEqual(st, c.header_strings)) {
      c.header_strings = old->chart.header_strings;
    } else {
      c.header_strings = CopyHeaders(st, c.header_strings);
      changed = true;
    }
  }

  auto replace_font = [&](XmFontList& now, XmFontList before, chart::CairoFont& resolved,
                          chart::FontRole role) {
    if (now == before) return;
    now = now ? XmFontListCopy(now) : nullptr;
    if (before) XmFontListFree(before);
    resolved = ResolveFont(updated, now, role);
    changed = true;
  };
  replace_font(c.axis_font, old->chart.axis_font, st.axis_font, chart::FontRole::kAxis);
  replace_font(c.header_font, old->chart.header_font, st.header_font, chart::FontRole::kHeader);
  replace_font(c.legend_font, old->chart.legend_font, st.legend_font, chart::FontRole::kLegend);

  if (c.data != old->chart.data) {
    if (old->chart.data) chart::RemoveDataObserver(old->chart.data, DataChanged, updated);
    if (c.data) chart::AddDataObserver(c.data, DataChanged, updated);
    changed = true;
  }

  if (changed) st.dirty = true;
  // Switching repainting on always draws the current state.
  if (c.repaint && (!old->chart.repaint || changed)) RedrawNow(cw);
  return False;  // drawn here: no clearing by the toolkit, so no flicker
}

void Destroy(Widget w) {
  ChartWidget cw = AsChart(w);
  ChartPart& c = cw->chart;
  ChartState& st = *c.state;
  if (st.pending_redraw) XtRemoveWorkProc(st.pending_redraw);
  if (c.data) chart::RemoveDataObserver(c.data, DataChanged, w);
  c.data = nullptr;
  ReleasePixmap(cw);
  if (st.copy_gc) XFreeGC(XtDisplay(w), st.copy_gc);
  if (st.background_allocated)
    XFreeColors(XtDisplay(w), cw->core.colormap, &st.background_pixel, 1, 0);
  XtFree(c.x_title);
  XtFree(c.y_title);
  XtFree(c.background_color);
  if (c.axis_font) XmFontListFree(c.axis_font);
  if (c.header_font) XmFontListFree(c.header_font);
  if (c.legend_font) XmFontListFree(c.legend_font);
  delete c.state;
  c.state = nullptr;
}

}  // namespace

ChartClassRec chartClassRec = {
    .core_class =
        {
            .superclass = reinterpret_cast<WidgetClass>(&widgetClassRec),
            .class_name = Str("Chart"),
            .widget_size = sizeof(ChartRec),
            .class_initialize = nullptr,
            .class_part_initialize = nullptr,
            .class_inited = False,
            .initialize = Initialize,
            .initialize_hook = nullptr,
            .realize = Realize,
            .actions = nullptr,
            .num_actions = 0,
            .resources = resources,
            .num_resources = XtNumber(resources),
            .xrm_class = NULLQUARK,
            .compress_motion = True,
            .compress_exposure = XtExposeCompressMaximal,
            .compress_enterleave = True,
            .visible_interest = False,
            .destroy = Destroy,
            .resize = Resize,
            .expose = Redisplay,
            .set_values = SetValues,
            .set_values_hook = nullptr,
            .set_values_almost = XtInheritSetValuesAlmost,
            .get_values_hook = nullptr,
            .accept_focus = nullptr,
            .version = XtVersion,
            .callback_private = nullptr,
            .tm_table = nullptr,
            .query_geometry = nullptr,
            .display_accelerator = nullptr,
            .extension = nullptr,
        },
    .chart_class = {.extension = nullptr},
};

WidgetClass chartWidgetClass = reinterpret_cast<WidgetClass>(&chartClassRec);

namespace chart {

void Invalidate(ChartWidget cw) {
  cw->chart.state->dirty = true;
  RedrawNow(cw);
}

std::optional<Rgb> WidgetColor(ChartWidget cw, const char* name) {
  return ParseColorName(XtDisplay(reinterpret_cast<Widget>(cw)), cw->core.colormap, name);
}

void FillPicture(ChartWidget cw, ChartPicture& p) {
  const ChartPart& c = cw->chart;
  const ChartState& st = *c.state;
  p.width = cw->core.width;
  p.height = cw->core.height;
  p.background = st.background;
  p.border = c.graph_border;
  p.headers = st.headers;
  p.x_title = c.x_title ? c.x_title : "";
  p.y_title = c.y_title ? c.y_title : "";
  p.y_title_rotation = c.y_title_rotation;
  p.x_origin = c.x_origin_placement;
  p.y_origin = c.y_origin_placement;
  p.legend = c.legend_show;
  p.axis_font = st.axis_font;
  p.header_font = st.header_font;
  p.legend_font = st.legend_font;
  p.data = c.data;
  p.styles = st.styles;
}

}  // namespace chart
