// Strict parsing of numeric argument values: the whole text must be one
// finite number, so that "1.5x", "" or "nan" are refused rather than read
// as a prefix or as an unusable value.
#ifndef TREMOSCAN_PROGRAMS_COMMON_COMMAND_LINE_H
#define TREMOSCAN_PROGRAMS_COMMON_COMMAND_LINE_H

namespace programs {

// A finite real; false (and *out untouched) for anything else.
bool ParseReal(const char* text, double* out);

// A decimal integer from lo to hi inclusive; false (and *out untouched) for
// anything else.
bool ParseWhole(const char* text, long lo, long hi, long* out);

}  // namespace programs

#endif
