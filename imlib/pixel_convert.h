// Conversions between stored pixels and the caller's 4-byte floats, and the
// byte reversal of pixels read from a foreign-order file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imlib {

// How a float becomes an integer pixel when written.
enum class WriteRule {
  kTruncate,        // section writes: truncate toward zero, clamp, count
  kRoundUnsigned,   // line runs and patches: unsigned types add 0.5 first
  kRoundAll         // single lines: every integer type adds 0.5, not counted
};

// Values clamped while converting: above the type's range and below it.
struct ClampCount {
  int hi = 0;  // values above the range
  int lo = 0;  // values below the range
};

// Reverses n stored pixels in place; false for a type that cannot be
// reversed (2-byte integer complex).
bool SwapPixels(int mode, void* pixels, size_t n);

// Widens n stored pixels at src to floats at dst. src and dst may be the
// same buffer for the 1-, 2- and 4-byte types (done from the last pixel
// to the first). Complex floats become their magnitude; doubles narrow.
void PixelsToFloats(int mode, const void* src, float* dst, size_t n);

// Converts n floats to stored pixels by a rule (for types 0, 1, 6, 7 and
// 8; type 2 is a plain copy). Clamped values are added to count.
void FloatsToPixels(int mode, WriteRule rule, const float* src, void* dst, size_t n,
                    ClampCount* count);

}  // namespace imlib
