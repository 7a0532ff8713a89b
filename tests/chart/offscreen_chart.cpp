// Off-screen chart pictures for the layout and rendering tests.
#include "offscreen_chart.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render.h"

namespace chart::offscreen {

namespace {

// The colours of the vibration charts' sets 0..9 as the X colour database
// defines them, then the two red limit lines.
const Rgb8 kVibrationColors[12] = {
    {255, 0, 0},   {0, 255, 0},     {0, 0, 255},     {0, 255, 255},
    {255, 255, 0}, {255, 0, 255},   {255, 165, 0},   {34, 139, 34},
    {240, 248, 255}, {0, 0, 0},     {255, 0, 0},     {255, 0, 0},
};

}  // namespace

Rgb FromRgb8(const Rgb8& c) { return Rgb{c.r / 255.0, c.g / 255.0, c.b / 255.0}; }

OffscreenChart::OffscreenChart(int width, int height) {
  data_ = ChartDataCreate(12);
  picture_.width = width;
  picture_.height = height;
  picture_.background = FromRgb8({217, 217, 217});  // gray85
  picture_.data = data_;
}

OffscreenChart::~OffscreenChart() {
  if (image_) cairo_surface_destroy(image_);
  ChartDataDestroy(data_);
}

void OffscreenChart::FillVibration(int frames, int tracks, double limit) {
  for (int t = 0; t < tracks; ++t)
    for (int f = 0; f < frames; ++f)
      ChartDataAppendPoint(data_, t, f, limit * 0.8 * std::sin(0.05 * f + t) * std::cos(0.013 * f * (t + 1)));
  ChartDataAppendPoint(data_, 10, 0, limit);
  ChartDataAppendPoint(data_, 10, frames, limit);
  ChartDataAppendPoint(data_, 11, 0, -limit);
  ChartDataAppendPoint(data_, 11, frames, -limit);
}

void OffscreenChart::UseVibrationStyles() {
  styles_.clear();
  for (int n = 0; n < 12; ++n) {
    SetStyle s;
    s.line_color = s.point_color = FromRgb8(kVibrationColors[n]);
    s.line_width = n >= 10 ? 3 : 1;
    s.point_size = 1;
    styles_.push_back(s);
  }
}

ChartLayout LayoutOf(const ChartPicture& picture) {
  cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(scratch);
  ChartLayout layout = ComputeLayout(cr, picture);
  cairo_destroy(cr);
  cairo_surface_destroy(scratch);
  return layout;
}

const ChartLayout& OffscreenChart::Render() {
  picture_.headers = headers_;
  picture_.styles = styles_;
  layout_ = LayoutOf(picture_);
  if (image_) cairo_surface_destroy(image_);
  image_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture_.width, picture_.height);
  cairo_t* cr = cairo_create(image_);
  RenderChart(cr, picture_, layout_);
  cairo_destroy(cr);
  cairo_surface_flush(image_);
  return layout_;
}

Rgb8 OffscreenChart::Pixel(int x, int y) const {
  const unsigned char* base = cairo_image_surface_get_data(image_);
  const int stride = cairo_image_surface_get_stride(image_);
  uint32_t v;
  std::memcpy(&v, base + static_cast<size_t>(y) * static_cast<size_t>(stride) + 4 * static_cast<size_t>(x), 4);
  return Rgb8{static_cast<int>((v >> 16) & 0xff), static_cast<int>((v >> 8) & 0xff),
              static_cast<int>(v & 0xff)};
}

int OffscreenChart::Count(const Rgb8& c, int x0, int y0, int x1, int y1) const {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(y1, picture_.height); ++y)
    for (int x = std::max(0, x0); x < std::min(x1, picture_.width); ++x) n += Pixel(x, y) == c;
  return n;
}

}  // namespace chart::offscreen
