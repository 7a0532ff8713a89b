// Fast reading and writing of the decimal numbers of localization and track
// files. A file of millions of event lines is mostly numbers, so both
// directions avoid the locale-aware C library calls.
//
// Reading: a number of at most 15 significant digits without exponent (every
// number the localization program writes) is converted exactly as the
// correctly rounded quotient mantissa / 10^decimals, which is exact for such
// inputs (both operands are exactly representable); anything else goes
// through std::from_chars. Writing: a value is rounded to the given number
// of decimals through an integer, so a value read from text with that many
// decimals is written back as the same text.
#pragma once

#include <cstddef>

namespace linking {

// Parses a decimal number (optional sign, digits, optional fraction and
// exponent, or "inf"/"nan") starting at p; returns the position after it, or
// nullptr when [p, end) does not start with a number.
const char* ParseReal(const char* p, const char* end, double* value);

// Parses an optional sign and decimal digits (no fraction) into a 64-bit
// integer; nullptr when there is none or it overflows.
const char* ParseInteger(const char* p, const char* end, long long* value);

// Longest text FormatFixed writes (sign, 15 digits, point, decimals or an
// exponent form).
constexpr size_t kMaxFixedText = 32;

// Writes value with `decimals` (0 .. 9) digits after the point, rounded half
// away from zero; magnitudes whose scaled value exceeds 2^53 are written in
// exponent form with 9 significant digits instead. Returns the end.
char* FormatFixed(char* out, double value, int decimals);

// Writes a decimal integer; returns the end.
char* FormatInteger(char* out, long long value);

}  // namespace linking
