// Pixel conversions. Ranges of the integer types: 1-byte 0...255, 2-byte
// signed -32767...32767 (never -32768), 2-byte unsigned 0...65535, 4-byte
// signed -2147483648...2147483647. NaN is written as 0.
#include "pixel_convert.h"

#include <cmath>
#include <cstring>

#include "imlib.h"
#include "stream.h"

namespace imlib {

bool SwapPixels(int mode, void* pixels, size_t n) {
  uint8_t* p = static_cast<uint8_t*>(pixels);
  switch (mode) {
    case IM_SHORT:
    case IM_USHORT:
      for (size_t i = 0; i < n; ++i) Reverse2(p + 2 * i);
      return true;
    case IM_FLOAT:
    case IM_LONG:
      for (size_t i = 0; i < n; ++i) Reverse4(p + 4 * i);
      return true;
    case IM_COMPLEX_FLOAT:
      for (size_t i = 0; i < 2 * n; ++i) Reverse4(p + 4 * i);
      return true;
    case IM_DOUBLE:
      for (size_t i = 0; i < n; ++i) Reverse8(p + 8 * i);
      return true;
    case IM_COMPLEX_SHORT:
      return false;
    default:
      return true;
  }
}

namespace {

// Widens n pixels of type T to floats. The source may be the first bytes of
// the destination (in-place widening of a section read into the caller's
// float buffer): chunks are taken from the end, each copied aside before
// its floats are stored, so no unread input is overwritten.
template <typename T>
void Widen(const void* src, float* dst, size_t n) {
  constexpr size_t kChunk = 4096;
  T temp[kChunk];
  const uint8_t* s = static_cast<const uint8_t*>(src);
  size_t end = n;
  while (end > 0) {
    size_t begin = end > kChunk ? end - kChunk : 0;
    size_t count = end - begin;
    memcpy(temp, s + begin * sizeof(T), count * sizeof(T));
    float* out = dst + begin;
    for (size_t i = 0; i < count; ++i) out[i] = float(temp[i]);
    end = begin;
  }
}

// Integer pixel from a float by a rule; min/max are the type's range and
// count_lo/count_hi the limits beyond which a value is counted as clamped.
int64_t ToInteger(double v, double min, double max, double count_lo, double count_hi,
                  bool count, ClampCount* c) {
  if (std::isnan(v)) return 0;
  if (v < count_lo) {
    if (count) ++c->lo;
    return int64_t(min);
  }
  if (v > count_hi) {
    if (count) ++c->hi;
    return int64_t(max);
  }
  if (v < min) return int64_t(min);
  if (v > max) return int64_t(max);
  return int64_t(v);  // truncation toward zero
}

}  // namespace

void PixelsToFloats(int mode, const void* src, float* dst, size_t n) {
  switch (mode) {
    case IM_BYTE: Widen<uint8_t>(src, dst, n); break;
    case IM_SHORT: Widen<int16_t>(src, dst, n); break;
    case IM_USHORT: Widen<uint16_t>(src, dst, n); break;
    case IM_LONG: Widen<int32_t>(src, dst, n); break;
    case IM_FLOAT:
      if (src != dst) memmove(dst, src, n * sizeof(float));
      break;
    case IM_COMPLEX_FLOAT: {
      // Forward is safe in place: pixel i's result (4 bytes at 4i) lies
      // before its input (8 bytes at 8i).
      const uint8_t* s = static_cast<const uint8_t*>(src);
      for (size_t i = 0; i < n; ++i) {
        float re, im;
        memcpy(&re, s + 8 * i, 4);
        memcpy(&im, s + 8 * i + 4, 4);
        dst[i] = std::sqrt(re * re + im * im);
      }
      break;
    }
    case IM_DOUBLE: {
      const uint8_t* s = static_cast<const uint8_t*>(src);
      for (size_t i = 0; i < n; ++i) {
        double v;
        memcpy(&v, s + 8 * i, 8);
        dst[i] = float(v);
      }
      break;
    }
    default:
      break;
  }
}

void FloatsToPixels(int mode, WriteRule rule, const float* src, void* dst, size_t n,
                    ClampCount* count) {
  bool counted = rule != WriteRule::kRoundAll;
  uint8_t* d = static_cast<uint8_t*>(dst);
  switch (mode) {
    case IM_BYTE:
    case IM_USHORT: {
      double top = mode == IM_BYTE ? 255.0 : 65535.0;
      double add = rule == WriteRule::kTruncate ? 0.0 : 0.5;
      for (size_t i = 0; i < n; ++i) {
        double v = double(src[i]) + add;
        int64_t q = ToInteger(v, 0.0, top, 0.0, top, counted, count);
        if (mode == IM_BYTE) {
          d[i] = uint8_t(q);
        } else {
          uint16_t u = uint16_t(q);
          memcpy(d + 2 * i, &u, 2);
        }
      }
      break;
    }
    case IM_SHORT: {
      double add = rule == WriteRule::kRoundAll ? 0.5 : 0.0;
      for (size_t i = 0; i < n; ++i) {
        int16_t q = int16_t(
            ToInteger(double(src[i]) + add, -32767.0, 32767.0, -32767.0, 32767.0, counted, count));
        memcpy(d + 2 * i, &q, 2);
      }
      break;
    }
    case IM_LONG: {
      double add = rule == WriteRule::kRoundAll ? 0.5 : 0.0;
      for (size_t i = 0; i < n; ++i) {
        int32_t q = int32_t(ToInteger(double(src[i]) + add, -2147483648.0, 2147483647.0,
                                      -2147483648.0, 2147483648.0, counted, count));
        memcpy(d + 4 * i, &q, 4);
      }
      break;
    }
    case IM_FLOAT:
      memcpy(dst, src, n * sizeof(float));
      break;
    case IM_DOUBLE:
      for (size_t i = 0; i < n; ++i) {
        double v = src[i];
        memcpy(d + 8 * i, &v, 8);
      }
      break;
    default:
      break;
  }
}

}  // namespace imlib
