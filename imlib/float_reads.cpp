// Section and line reads for callers that always work in floats (the
// localization programs, the chooser's preview). With conversion on, the
// section calls pass double pixels as stored, eight bytes each; these
// forms read them into a buffer of their own and narrow them, so that the
// caller's buffer always holds one float per pixel.
#include <new>
#include <vector>

#include "stream.h"

using namespace imlib;

namespace {

// Runs read on the caller's buffer, or, for a file of doubles read with
// conversion, on a double buffer of n pixels narrowed into it afterwards.
template <typename Read>
int ReadNarrowing(const char* call, int number, float* buffer, size_t n, Read read) {
  Stream* s = PeekStream(number);
  if (!s || s->kind != kFileStream || !s->convert || s->mode != IM_DOUBLE) return read(buffer);
  std::vector<double> wide;
  try {
    wide.resize(n);
  } catch (const std::bad_alloc&) {
    PrintError("%s %d: unable to allocate memory.\n", call, number);
    return IM_ERR_ALLOC;
  }
  int rc = read(wide.data());
  if (rc == IM_ERR_NONE)
    for (size_t i = 0; i < n; ++i) buffer[i] = float(wide[i]);
  return rc;
}

}  // namespace

extern "C" {

int IMRdSecFloats(int number, float* buffer) {
  const Stream* s = PeekStream(number);
  size_t n = s && s->nx > 0 && s->ny > 0 ? size_t(s->nx) * size_t(s->ny) : 0;
  return ReadNarrowing("IMRdSecFloats", number, buffer, n,
                       [&](void* into) { return IMRdSec(number, into); });
}

int IMRdPalFloats(int number, float* buffer, int x0, int x1, int lines) {
  size_t n = x1 >= x0 && lines > 0 ? (size_t(x1) - size_t(x0) + 1) * size_t(lines) : 0;
  return ReadNarrowing("IMRdPalFloats", number, buffer, n,
                       [&](void* into) { return IMRdPal(number, into, x0, x1, lines); });
}

}  // extern "C"
