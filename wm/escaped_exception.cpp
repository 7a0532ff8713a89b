// escaped_exception.cpp - see escaped_exception.h.
#include "escaped_exception.h"

#include <cstdio>
#include <exception>

namespace wm {

void ReportEscapedException(const char* call) {
  try {
    throw;
  } catch (const std::exception& e) {
    fprintf(stderr, "%s: %s\n", call, e.what());
  } catch (...) {
    fprintf(stderr, "%s: unexpected error\n", call);
  }
}

}  // namespace wm
