/*
 * chart.h - the chart widget and its data objects.
 *
 * The chart is an Xt widget class (class name "Chart") that plots data sets
 * as lines in a plot area with numbered axes, axis titles, header lines above
 * the plot, an optional legend and an optional three-dimensional border. It
 * is created like any widget:
 *
 *     Widget chart = XtVaCreateManagedWidget("graph", chartWidgetClass, form,
 *                                            XtNwidth, 800, XtNheight, 400,
 *                                            XtNxrtYTitleRotation, ChartRotate90,
 *                                            NULL);
 *
 * and resizes with its parent like any other child.
 *
 * Data. A ChartData object holds N sets; every set has its own points, each
 * an (x, y) pair kept in single precision. The widget shows the object named
 * by its "xrtData" resource but never owns it: the caller creates, fills and
 * destroys data objects. The rules that keep this safe:
 *   (1) Setting "xrtData" to another object (or to NULL) detaches the old one;
 *       the widget never reads it again.
 *   (2) Destroying an object that a chart still shows detaches it from that
 *       chart first, so the chart then shows no data; the chart never reads
 *       freed memory.
 *   (3) Appending points to a shown object redraws the chart once the toolkit
 *       is idle, unless repainting is off ("xrtRepaint" False), in which case
 *       the chart redraws when repainting is switched on again.
 *
 * Repainting. While "xrtRepaint" is False the widget draws nothing at all,
 * not even on Expose; the window keeps whatever it showed (or the graph
 * background where the server clears it). Setting it True draws the current
 * state at once.
 *
 * Styles. Every set has a style (line pattern, fill pattern, line colour,
 * line width, point symbol, point colour, point size); sets whose style was
 * never given use a default palette with solid lines.
 *
 * Every function here is callable from C and never lets an exception out.
 * Functions returning int return ChartOk (0) (or a count) or a negative
 * ChartStatus. The calls that create or change something print one line
 * beginning with their own name to standard error when they fail; the
 * queries only return the code.
 */
#ifndef TREMOSCAN_CHART_H
#define TREMOSCAN_CHART_H

#include <X11/Intrinsic.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Widget class ---------------------------------------------------- */

extern WidgetClass chartWidgetClass;
typedef struct _ChartClassRec* ChartWidgetClass;
typedef struct _ChartRec* ChartWidget;

/* ---- Resource names (width and height are the Core resources) -------- */

#define XtNxrtRepaint "xrtRepaint"                       /* Boolean, default True */
#define XtNxrtHeaderStrings "xrtHeaderStrings"           /* String*, NULL-terminated, copied */
#define XtNxrtData "xrtData"                             /* ChartData*, not owned */
#define XtNxrtXTitle "xrtXTitle"                         /* String, copied */
#define XtNxrtYTitle "xrtYTitle"                         /* String, copied */
#define XtNxrtYTitleRotation "xrtYTitleRotation"         /* int, ChartRotation */
#define XtNxrtXOriginPlacement "xrtXOriginPlacement"     /* int, ChartOriginPlacement */
#define XtNxrtYOriginPlacement "xrtYOriginPlacement"     /* int, ChartOriginPlacement */
#define XtNxrtGraphBorder "xrtGraphBorder"               /* int, ChartBorder */
#define XtNxrtLegendShow "xrtLegendShow"                 /* Boolean, default False */
#define XtNxrtGraphBackgroundColor "xrtGraphBackgroundColor" /* String colour name, copied */
#define XtNxrtAxisFont "xrtAxisFont"                     /* XmFontList, copied */
#define XtNxrtHeaderFont "xrtHeaderFont"                 /* XmFontList, copied */
#define XtNxrtLegendFont "xrtLegendFont"                 /* XmFontList, copied */

#define XtCChartRepaint "ChartRepaint"
#define XtCChartHeaderStrings "ChartHeaderStrings"
#define XtCChartData "ChartData"
#define XtCChartTitle "ChartTitle"
#define XtCChartRotation "ChartRotation"
#define XtCChartOriginPlacement "ChartOriginPlacement"
#define XtCChartBorder "ChartBorder"
#define XtCChartLegendShow "ChartLegendShow"
#define XtCChartBackgroundColor "ChartBackgroundColor"
#define XtCChartFont "ChartFont"

/* ---- Resource values (numbers are fixed; new values are only added) --- */

/* Orientation of the Y axis title. */
typedef enum {
  ChartRotateNone = 1, /* horizontal, above the Y axis */
  ChartRotate90 = 2,   /* reads bottom to top, left of the Y axis */
  ChartRotate270 = 3   /* reads top to bottom, left of the Y axis */
} ChartRotation;

/* Where an axis line sits: "xrtXOriginPlacement" places the Y axis line at
 * an x value, "xrtYOriginPlacement" places the X axis line at a y value. */
typedef enum {
  ChartOriginAuto = 1, /* at zero when zero lies inside the axis range, else at the minimum */
  ChartOriginMin = 2,  /* at the axis minimum (left / bottom edge of the plot) */
  ChartOriginZero = 3, /* at zero, held inside the axis range */
  ChartOriginMax = 4   /* at the axis maximum (right / top edge of the plot) */
} ChartOriginPlacement;

/* Border drawn around the whole widget. */
typedef enum {
  ChartBorderNone = 0,
  ChartBorder3DRaised = 1,
  ChartBorder3DSunken = 2,
  ChartBorderPlain = 3
} ChartBorder;

typedef enum {
  ChartLineNone = 1,
  ChartLineSolid = 2,
  ChartLineLongDash = 3,
  ChartLineDotted = 4,
  ChartLineShortDash = 5,
  ChartLineDashDot = 6
} ChartLinePattern;

typedef enum {
  ChartFillNone = 1,
  ChartFillSolid = 2 /* area between the line and the X axis line, translucent */
} ChartFillPattern;

typedef enum {
  ChartPointNone = 1,
  ChartPointDot = 2,
  ChartPointBox = 3,
  ChartPointTriangle = 4,
  ChartPointDiamond = 5,
  ChartPointCross = 6,
  ChartPointCircle = 7
} ChartPointSymbol;

/* ---- Status codes ------------------------------------------------------ */

typedef enum {
  ChartOk = 0,
  ChartErrArgument = -1, /* NULL object, set or index out of range, bad enum value */
  ChartErrValue = -2,    /* coordinate not finite in single precision */
  ChartErrMemory = -3,   /* out of memory; the object is unchanged */
  ChartErrColor = -4,    /* unknown colour name; the style is unchanged */
  ChartErrWidget = -5    /* the widget is not a chart */
} ChartStatus;

/* Largest number of sets of a data object, and highest styled set + 1. */
#define CHART_MAX_SETS 1024

/* ---- Data objects ------------------------------------------------------ */

typedef struct ChartData ChartData;

/* A new object with `nsets` empty sets (1..CHART_MAX_SETS), or NULL. */
ChartData* ChartDataCreate(int nsets);

/* Detaches the object from every chart that shows it, then frees it.
 * NULL is accepted and ignored. */
void ChartDataDestroy(ChartData* data);

/* Appends (x, y) to the end of set `set`. Both values are stored in single
 * precision; a value that is not finite there is refused (ChartErrValue). */
int ChartDataAppendPoint(ChartData* data, int set, double x, double y);

/* Number of sets, or ChartErrArgument for NULL. */
int ChartDataSetCount(const ChartData* data);

/* Number of points in set `set`, or ChartErrArgument. */
int ChartDataPointCount(const ChartData* data, int set);

/* Point `index` of set `set`, widened to double. */
int ChartDataGetPoint(const ChartData* data, int set, int index, double* x, double* y);

/* ---- Set styles -------------------------------------------------------- */

typedef struct {
  int line_pattern;       /* ChartLinePattern */
  int fill_pattern;       /* ChartFillPattern */
  const char* line_color; /* X colour name ("red", "forestGreen", "#rrggbb"); NULL = palette */
  int line_width;         /* pixels, 0..100; 0 draws the thinnest visible line */
  int point_symbol;       /* ChartPointSymbol */
  const char* point_color;/* X colour name; NULL = the line colour */
  int point_size;         /* symbol half-size in pixels, 0..100 */
} ChartStyle;

/* Gives set `set` (0..CHART_MAX_SETS-1) of `chart` a style. Colour names are
 * copied. Redraws the chart unless repainting is off. */
int ChartSetStyle(Widget chart, int set, const ChartStyle* style);

/* The style set `set` draws with. The colour names point into the widget and
 * stay valid until that set's style changes or the widget is destroyed. */
int ChartGetStyle(Widget chart, int set, ChartStyle* style);

/* ---- Geometry ------------------------------------------------------------ */

/* The plot area (inside the axes) in widget coordinates for the widget's
 * current size, resources and data. */
int ChartGetPlotArea(Widget chart, int* x, int* y, int* width, int* height);

#ifdef __cplusplus
}
#endif

#endif /* TREMOSCAN_CHART_H */
