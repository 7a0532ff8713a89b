// Chart layout (see layout.h for the division of the widget).
#include "layout.h"

#include <algorithm>
#include <cmath>

#include "text.h"

namespace chart {

namespace {

constexpr double kPadding = 10;        // inside the border, pixels
constexpr double kBlockGap = 5;        // between header, titles and labels, pixels
constexpr double kLabelGap = 4;        // tick mark end to its label, pixels
constexpr double kXLabelSpacing = 18;  // least room between neighbouring X labels, pixels
constexpr double kYLabelPitch = 2.2;   // least Y label pitch, in label heights
constexpr double kXLabelPitchGuess = 70;  // first guess of the X label pitch, pixels
constexpr int kMaxXIntervals = 12;
constexpr int kMaxYIntervals = 10;
constexpr double kHeaderLineSpacing = 1.15;  // header line pitch, in font heights

std::vector<std::string> Labels(const AxisTicks& ticks) {
  std::vector<std::string> labels;
  labels.reserve(static_cast<size_t>(ticks.intervals) + 1);
  for (int i = 0; i <= ticks.intervals; ++i) labels.push_back(TickLabel(ticks, i));
  return labels;
}

double WidestLabel(cairo_t* cr, const std::vector<std::string>& labels) {
  double widest = 0;
  for (const auto& l : labels) widest = std::max(widest, TextWidth(cr, l));
  return widest;
}

int FitIntervals(double length, double pitch, int most) {
  if (!(length > 0) || !(pitch > 0)) return 1;
  return std::clamp(static_cast<int>(std::floor(length / pitch)), 1, most);
}

// X ticks whose labels fit side by side into `length` pixels.
void ChooseXTicks(cairo_t* cr, double lo, double hi, double length, ChartLayout& out) {
  int most = FitIntervals(length, kXLabelPitchGuess, kMaxXIntervals);
  while (true) {
    out.x_ticks = ChooseTicks(lo, hi, most);
    out.x_labels = Labels(out.x_ticks);
    const double pitch = WidestLabel(cr, out.x_labels) + kXLabelSpacing;
    if (out.x_ticks.intervals * pitch <= length || most == 1) return;
    most = std::min(most - 1, FitIntervals(length, pitch, kMaxXIntervals));
  }
}

// The sets a legend lists: those that have points to show.
std::vector<int> LegendSets(const ChartPicture& picture) {
  std::vector<int> sets;
  if (!picture.data) return sets;
  for (size_t n = 0; n < picture.data->sets.size(); ++n)
    if (!picture.data->sets[n].empty()) sets.push_back(static_cast<int>(n));
  return sets;
}

}  // namespace

Bounds DataRange(const ChartPicture& picture) {
  if (picture.data && !picture.data->bounds.empty) return picture.data->bounds;
  Bounds b;
  b.Extend(0, 0);
  b.Extend(1, 1);
  return b;
}

ChartLayout ComputeLayout(cairo_t* cr, const ChartPicture& picture) {
  ChartLayout L;
  const double width = picture.width;
  const double height = picture.height;
  L.inset = (picture.border != ChartBorderNone ? kBorderWidth : 0) + kPadding;
  double top = L.inset, bottom = height - L.inset;
  double left = L.inset, right = width - L.inset;

  if (!picture.headers.empty()) {
    const FontMetrics hm = UseFont(cr, picture.header_font);
    const double pitch = hm.height() * kHeaderLineSpacing;
    for (size_t i = 0; i < picture.headers.size(); ++i)
      L.header_baselines.push_back(top + hm.ascent + static_cast<double>(i) * pitch);
    top += static_cast<double>(picture.headers.size() - 1) * pitch + hm.height() + kBlockGap;
  }

  const FontMetrics am = UseFont(cr, picture.axis_font);
  const bool y_title = !picture.y_title.empty();
  const bool y_title_rotated = y_title && picture.y_title_rotation != ChartRotateNone;
  if (y_title && !y_title_rotated) {
    L.y_title_baseline = top + am.ascent;
    top += am.height() + kBlockGap;
  }
  // The top Y label is centred on the top edge of the plot area.
  const double plot_top = std::ceil(top + am.height() / 2);

  if (!picture.x_title.empty()) {
    L.x_title_baseline = bottom - am.descent;
    bottom -= am.height() + kBlockGap;
  }
  L.x_label_baseline = bottom - am.descent;
  bottom -= am.height();
  const double plot_bottom = std::floor(bottom - kTickLength - kLabelGap);
  const double plot_height = plot_bottom - plot_top;

  const Bounds range = DataRange(picture);
  L.y_ticks = ChooseTicks(range.y_min, range.y_max,
                          FitIntervals(plot_height, am.height() * kYLabelPitch, kMaxYIntervals));
  L.y_labels = Labels(L.y_ticks);
  const double y_label_width = WidestLabel(cr, L.y_labels);

  if (y_title_rotated) {
    L.y_title_x = left + (picture.y_title_rotation == ChartRotate270 ? am.descent : am.ascent);
    left += am.height() + kBlockGap;
  }
  if (y_title && !y_title_rotated) L.y_title_x = left;
  L.y_label_right = left + y_label_width;
  double plot_left = L.y_label_right + kLabelGap + kTickLength;

  if (picture.legend) {
    L.legend_sets = LegendSets(picture);
    const FontMetrics lm = UseFont(cr, picture.legend_font);
    double widest = 0;
    for (int n : L.legend_sets) widest = std::max(widest, TextWidth(cr, "Set " + std::to_string(n)));
    L.legend_row = std::ceil(lm.height() * 1.3);
    if (!L.legend_sets.empty()) {
      L.legend.w = std::ceil(2 * kLegendPadding + kLegendSample + kLegendPadding + widest);
      L.legend.h = std::ceil(2 * kLegendPadding + L.legend_row * static_cast<double>(L.legend_sets.size()));
      L.legend.x = std::floor(right - L.legend.w);
      L.legend.y = plot_top;
      right = L.legend.x - 2 * kBlockGap;
    }
  }

  // The first and the last X label are centred on the plot edges and may
  // reach into the padding, but not beyond it: narrow the plot area until
  // they fit, measuring again as the tick choice may change with the width.
  UseFont(cr, picture.axis_font);
  const double reach = L.inset - kPadding / 2;  // closest a label may come to the widget edge
  double plot_right = right;
  bool settled = false;
  for (int pass = 0; pass < 4 && !settled; ++pass) {
    ChooseXTicks(cr, range.x_min, range.x_max, std::floor(plot_right) - std::ceil(plot_left), L);
    const double first_half = TextWidth(cr, L.x_labels.front()) / 2;
    const double last_half = TextWidth(cr, L.x_labels.back()) / 2;
    const double fit_left = std::max(plot_left, reach + first_half);
    const double fit_right = std::min(plot_right, width - reach - last_half);
    settled = fit_left == plot_left && fit_right == plot_right;
    plot_left = fit_left;
    plot_right = fit_right;
  }
  if (!settled)
    ChooseXTicks(cr, range.x_min, range.x_max, std::floor(plot_right) - std::ceil(plot_left), L);

  L.plot.x = std::ceil(plot_left);
  L.plot.y = plot_top;
  L.plot.w = std::floor(plot_right) - L.plot.x;
  L.plot.h = plot_height;
  L.has_plot = L.plot.w >= kMinPlotSide && L.plot.h >= kMinPlotSide;
  if (L.legend.w > 0) L.legend.h = std::min(L.legend.h, std::max(0.0, height - L.inset - L.legend.y));
  return L;
}

}  // namespace chart
