// A chart picture drawn without an X server: vibration-like data in the
// styles the vibration charts use, rendered on a cairo image surface whose
// pixels the tests read.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart.h"
#include "layout.h"
#include "picture.h"
#include "set_style.h"

namespace chart::offscreen {

struct Rgb8 {
  int r, g, b;
  bool operator==(const Rgb8&) const = default;
};

// Owns everything a ChartPicture points at.
class OffscreenChart {
 public:
  OffscreenChart(int width, int height);
  ~OffscreenChart();
  OffscreenChart(const OffscreenChart&) = delete;
  OffscreenChart& operator=(const OffscreenChart&) = delete;

  // Frames 0..frames-1 of `tracks` tracks (sets 0..) with displacements of a
  // few nm, and limit lines at +-`limit` nm in sets 10 and 11.
  void FillVibration(int frames, int tracks, double limit);
  // The styles of the vibration charts for sets 0..11.
  void UseVibrationStyles();

  ChartPicture& picture() { return picture_; }
  ChartData* data() { return data_; }
  std::vector<std::string>& headers() { return headers_; }
  std::vector<SetStyle>& styles() { return styles_; }

  // Lays out (on a scratch surface) and renders into a fresh image.
  const ChartLayout& Render();
  const ChartLayout& layout() const { return layout_; }
  Rgb8 Pixel(int x, int y) const;
  // Pixels of exactly `c` inside [x0, x1) x [y0, y1).
  int Count(const Rgb8& c, int x0, int y0, int x1, int y1) const;

 private:
  ChartData* data_ = nullptr;
  std::vector<std::string> headers_;
  std::vector<SetStyle> styles_;
  ChartPicture picture_;
  ChartLayout layout_;
  cairo_surface_t* image_ = nullptr;
};

// Lays out `picture` measuring on a scratch surface.
ChartLayout LayoutOf(const ChartPicture& picture);

Rgb FromRgb8(const Rgb8& c);

}  // namespace chart::offscreen
