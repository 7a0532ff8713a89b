// Entry helpers of the header accessors: validate the stream number and,
// for a window stream, refresh the record from the window before a value
// is returned or changed (changes are pushed back with PushToWindow).
#pragma once

#include "stream.h"

namespace imlib {

inline Stream* OpenForAccess(const char* call, int number, int* rc) {
  Stream* s = LookupStream(call, number, rc);
  if (s) RefreshFromWindow(s);
  return s;
}

}  // namespace imlib
