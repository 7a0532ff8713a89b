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

// Types whose pixels pass between the file and the caller's buffer as
// stored even with conversion on: 4-byte floats, and 8-byte doubles, which
// are never narrowed to floats; on writing also complex floats, which are
// written as the caller's pairs (reading turns them into magnitudes).
bool PassedAsStored(int mode, bool writing);

// Reverses n stored pixels of a foreign-order file in place; doubles are
// left as read. False for a type that cannot be reversed (2-byte integer
// complex).
bool SwapPixels(int mode, void* pixels, size_t n);

// Widens n stored pixels at src to floats at dst (types 0, 1, 2, 4, 6, 7).
// src and dst may be the same buffer (1- to 4-byte types: src at the
// start or the end of dst; complex: src at dst). Complex floats become
// their magnitude.
void PixelsToFloats(int mode, const void* src, float* dst, size_t n);

// Converts n floats to stored pixels by a rule (types 0, 1, 6 and 7; type
// 2 is a plain copy). Clamped values are added to count.
void FloatsToPixels(int mode, WriteRule rule, const float* src, void* dst, size_t n,
                    ClampCount* count);

}  // namespace imlib
