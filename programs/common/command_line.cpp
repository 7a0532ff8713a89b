// Strict parsing of numeric argument values.
#include "command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace programs {

bool ParseReal(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseWhole(const char* text, long lo, long hi, long* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

}  // namespace programs
