// Pixel conversions. Ranges of the integer types: 1-byte 0...255, 2-byte
// signed -32767...32767 (never -32768), 2-byte unsigned 0...65535, 4-byte
// signed -2147483648...2147483647. NaN is written as 0.
#include "pixel_convert.h"

#include <cmath>
#include <cstring>

#include "imlib.h"
#include "stream.h"

namespace imlib {

bool PassedAsStored(int mode, bool writing) {
  return mode == IM_FLOAT || mode == IM_DOUBLE || (writing && mode == IM_COMPLEX_FLOAT);
}

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
    case IM_COMPLEX_SHORT:
      return false;
    default:
      return true;
  }
}

namespace {

// Converts count pixels between buffers that do not overlap.
template <typename T>
void WidenDisjoint(const T* __restrict src, float* __restrict dst, size_t count) {
  for (size_t i = 0; i < count; ++i) dst[i] = float(src[i]);
}

// Widens n pixels of type T to floats. The source may lie inside the
// destination, at its start (backward pass) or at its end (forward pass,
// the layout section reads use): each chunk is converted before anything
// overwrites the input of the chunks still to come, and a chunk whose
// floats overlap its own input is copied aside first.
template <typename T>
void Widen(const void* src, float* dst, size_t n) {
  constexpr size_t kChunk = 4096;
  T temp[kChunk];
  const uint8_t* s = static_cast<const uint8_t*>(src);
  const uint8_t* d = reinterpret_cast<const uint8_t*>(dst);
  bool forward = s >= d;
  size_t done = 0;
  while (done < n) {
    size_t count = n - done < kChunk ? n - done : kChunk;
    size_t begin = forward ? done : n - done - count;
    const uint8_t* in = s + begin * sizeof(T);
    const uint8_t* out = d + begin * sizeof(float);
    bool overlaps = in < out + count * sizeof(float) && out < in + count * sizeof(T);
    if (overlaps || reinterpret_cast<uintptr_t>(in) % alignof(T) != 0) {
      memcpy(temp, in, count * sizeof(T));
      WidenDisjoint(temp, dst + begin, count);
    } else {
      WidenDisjoint(reinterpret_cast<const T*>(in), dst + begin, count);
    }
    done += count;
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

// Converts floats to a 1- or 2-byte integer type: optionally + 0.5, then
// clamped to lo...hi (counting the values beyond) and truncated toward
// zero; NaN becomes 0 uncounted. Written without branches so that the
// loop vectorises: this is the inner loop of every section write.
template <typename T>
void ToSmallInteger(const float* src, uint8_t* dst, size_t n, double lo, double hi, bool round,
                    bool counted, ClampCount* c) {
  int below = 0, above = 0;
  constexpr size_t kBlock = 4096;
  T out[kBlock];
  for (size_t base = 0; base < n; base += kBlock) {
    size_t k = n - base < kBlock ? n - base : kBlock;
    if (round) {
      // value + 0.5 in double: exact for every float.
      for (size_t i = 0; i < k; ++i) {
        double v = double(src[base + i]) + 0.5;
        below += v < lo;
        above += v > hi;
        double clamped = v >= lo ? (v <= hi ? v : hi) : (v < lo ? lo : 0.0);
        out[i] = T(int32_t(clamped));
      }
    } else {
      // Without rounding single precision is exact: the limits are floats.
      const float flo = float(lo), fhi = float(hi);
      for (size_t i = 0; i < k; ++i) {
        float v = src[base + i];
        below += v < flo;
        above += v > fhi;
        float clamped = v >= flo ? (v <= fhi ? v : fhi) : (v < flo ? flo : 0.0f);
        out[i] = T(int32_t(clamped));
      }
    }
    memcpy(dst + base * sizeof(T), out, k * sizeof(T));
  }
  if (counted) {
    c->lo += below;
    c->hi += above;
  }
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
      ToSmallInteger<uint8_t>(src, d, n, 0.0, 255.0, rule != WriteRule::kTruncate, counted,
                              count);
      break;
    case IM_USHORT:
      ToSmallInteger<uint16_t>(src, d, n, 0.0, 65535.0, rule != WriteRule::kTruncate, counted,
                               count);
      break;
    case IM_SHORT:
      ToSmallInteger<int16_t>(src, d, n, -32767.0, 32767.0, rule == WriteRule::kRoundAll,
                              counted, count);
      break;
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
    default:
      break;
  }
}

}  // namespace imlib
