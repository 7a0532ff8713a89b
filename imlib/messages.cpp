// Message output. Errors go to standard error, traces and reports to
// standard output; both are flushed at once so that the order of a
// program's lines is the order of the calls.
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "stream.h"

namespace imlib {

void PrintError(const char* format, ...) {
  fflush(stdout);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fflush(stderr);
}

void PrintOut(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stdout, format, args);
  va_end(args);
  fflush(stdout);
}

void PrintSystemError(int saved_errno) {
  PrintError("        %s\n", strerror(saved_errno));
}

}  // namespace imlib
