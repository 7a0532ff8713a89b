// XWD parsing: a big-endian header of 25 32-bit fields, the window name, the
// colour table, then the pixel rows in the byte order the header gives.
#include "xwd_image.h"

#include <bit>

namespace chart::x_testing {

namespace {

enum HeaderField {
  kHeaderSize, kFileVersion, kPixmapFormat, kPixmapDepth, kPixmapWidth, kPixmapHeight,
  kXOffset, kByteOrder, kBitmapUnit, kBitmapBitOrder, kBitmapPad, kBitsPerPixel,
  kBytesPerLine, kVisualClass, kRedMask, kGreenMask, kBlueMask, kBitsPerRgb,
  kColormapEntries, kNColors, kFieldCount = 25,
};

constexpr uint32_t kZPixmap = 2;
constexpr uint32_t kTrueColor = 4;
constexpr uint32_t kDirectColor = 5;
constexpr size_t kColorEntrySize = 12;

uint32_t BigEndian32(const std::string& b, size_t at) {
  return (uint32_t{static_cast<unsigned char>(b[at])} << 24) |
         (uint32_t{static_cast<unsigned char>(b[at + 1])} << 16) |
         (uint32_t{static_cast<unsigned char>(b[at + 2])} << 8) |
         uint32_t{static_cast<unsigned char>(b[at + 3])};
}

// Scales the masked field of `pixel` to 0..255.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (!mask) return 0;
  const uint32_t value = (pixel & mask) >> std::countr_zero(mask);
  const uint32_t top = mask >> std::countr_zero(mask);
  return (value * 255 + top / 2) / top;
}

}  // namespace

bool ParseXwd(const std::string& bytes, XwdImage& image, std::string& error) {
  if (bytes.size() < kFieldCount * 4) {
    error = "file shorter than the header";
    return false;
  }
  uint32_t h[kFieldCount];
  for (size_t i = 0; i < kFieldCount; ++i) h[i] = BigEndian32(bytes, 4 * i);
  if (h[kFileVersion] != 7 || h[kPixmapFormat] != kZPixmap) {
    error = "not a version 7 ZPixmap dump";
    return false;
  }
  if (h[kVisualClass] != kTrueColor && h[kVisualClass] != kDirectColor) {
    error = "colour-mapped visuals are not handled";
    return false;
  }
  const uint32_t bpp = h[kBitsPerPixel];
  if (bpp != 16 && bpp != 24 && bpp != 32) {
    error = "unexpected bits per pixel " + std::to_string(bpp);
    return false;
  }
  const size_t data = size_t{h[kHeaderSize]} + size_t{h[kNColors]} * kColorEntrySize;
  const size_t line = h[kBytesPerLine];
  image.width = static_cast<int>(h[kPixmapWidth]);
  image.height = static_cast<int>(h[kPixmapHeight]);
  if (bytes.size() < data + line * static_cast<size_t>(image.height) ||
      line * 8 < static_cast<size_t>(image.width) * bpp) {
    error = "pixel data truncated";
    return false;
  }
  const bool msb_first = h[kByteOrder] == 1;
  const size_t step = bpp / 8;
  image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const size_t at = data + static_cast<size_t>(y) * line + static_cast<size_t>(x) * step;
      uint32_t pixel = 0;
      for (size_t k = 0; k < step; ++k) {
        const uint32_t byte = static_cast<unsigned char>(bytes[at + k]);
        pixel |= msb_first ? byte << (8 * (step - 1 - k)) : byte << (8 * k);
      }
      image.pixels[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] =
          (Channel(pixel, h[kRedMask]) << 16) | (Channel(pixel, h[kGreenMask]) << 8) |
          Channel(pixel, h[kBlueMask]);
    }
  }
  return true;
}

}  // namespace chart::x_testing
