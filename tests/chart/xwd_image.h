// Reading the window dumps that xwd writes (format version 7), so tests can
// look at a real screenshot taken by the same tool the application uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace chart::x_testing {

struct XwdImage {
  int width = 0;                 // pixels
  int height = 0;                // pixels
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// Parses a TrueColor/DirectColor dump of 16, 24 or 32 bits per pixel.
// On failure returns false and says why in `error`.
bool ParseXwd(const std::string& bytes, XwdImage& image, std::string& error);

}  // namespace chart::x_testing
