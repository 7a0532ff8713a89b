// Transfer helpers shared by the section, line and patch calls.
#pragma once

#include <cstddef>

#include "pixel_convert.h"
#include "stream.h"

namespace imlib {

// Bytes of one pixel in a caller's buffer for a read or a write: stored
// pixels with conversion off and for the types passed as stored, else
// 4-byte floats.
size_t CallerPixelBytes(const Stream* s, bool writing);

// Reads n stored pixels of a file or database stream at its current
// position into buffer, reversing foreign byte order and widening to floats
// when conversion is on (types passed as stored stay as they are). Messages are printed under the call's name.
// detail, when given, is printed after the short-read line.
int ReadFilePixels(const char* call, Stream* s, void* buffer, size_t n,
                   const char* detail = nullptr);

// Writes n pixels from buffer, converting floats by rule when conversion is
// on; static_scratch converts through the fixed 131072-byte area.
int WriteFilePixels(const char* call, Stream* s, const void* buffer, size_t n, WriteRule rule,
                    bool static_scratch);

// Writes out the pixels a file stream still buffers after a write: 0, or
// 213 with the short-write message under the call's name.
int FlushWrittenPixels(const char* call, Stream* s);

// Window region transfers at the stream's z, w, t, p: 0 or -1.
int WindowRead(Stream* s, void* buffer, int buf_cols, int buf_rows, int x0, int x1, int y0,
               int y1);
int WindowWrite(Stream* s, const void* buffer, int buf_cols, int buf_rows, int x0, int x1,
                int y0, int y1);
void AdvanceWindowSection(Stream* s);

}  // namespace imlib
