// Number conversion for the text files of this module, independent of the
// process locale (the files always use a decimal point, while a toolkit
// application may run under a locale with a decimal comma).
//
// ScanEventFields converts an event line exactly as the C library's
// sscanf(text, "%d %lf %lf %lf %lf %lf %lf %lf %lf %lf", ...) does in the C
// locale: same number of fields, same values bit for bit. Plain decimal
// numbers, which make up track files, take a fast path; every other token
// (hexadecimal, infinities, NaNs, malformed numbers) is handed to sscanf
// itself for that one field, so even oddities convert the same way.
#pragma once

#include <cstddef>

namespace analysis {

// Fields of an event line: a frame index and up to nine reals.
constexpr int kEventFieldCount = 10;

// Converts text[0..length) (NUL-terminated at length). Returns the number of
// fields converted (0..10), or -1 when the text holds only white space, as
// sscanf does. frame receives field 1, reals[0..8] fields 2..10.
int ScanEventFields(const char* text, size_t length, int* frame, double reals[9]);

// A header value: the integer (base 10) or real number at the start of text,
// leading white space skipped; 0 when there is none. Integers beyond the int
// range are clamped to it.
int ParseHeaderInt(const char* text);
double ParseHeaderReal(const char* text);

// sscanf(text, "%f") in the C locale: true and *value when a number was read.
bool ScanFloat(const char* text, float* value);

}  // namespace analysis
