// Rectangular patches of the current section (IMRdPas, IMWrPas) and line
// runs limited to a column range (IMRdPal).
//
// A file stream must stand at the start of a section; after a patch it
// stands at the start of the next section. The read side puts the patch in
// the top-left corner of the caller's buffer and zero-fills the rest; the
// write side takes the rows from the buffer at the patch's own coordinates
// (element y0 * buf_cols + x0 onward) and writes them at those coordinates.
// Only widths and heights are checked against the section (and, reading,
// the buffer); the corners are the caller's.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "pixel_convert.h"
#include "section_transfer.h"
#include "stream.h"

using namespace imlib;

namespace {

// Checks a patch's width and height against the section and, for reads,
// against the caller's buffer. 0, 402 or 403 with the call's messages.
// The corners themselves are the caller's: a patch may start left of the
// section or run past its right edge, and the transfer then takes the
// pixels the offsets name. Only requests that name no pixels (a width or
// height below 1) or, for writes, no element of the buffer (a negative
// first element) are refused as well, under the same messages.
int CheckPatch(const char* call, const Stream* s, int buf_cols, int buf_rows, int x0, int x1,
               int y0, int y1, bool is_read) {
  int64_t width = int64_t(x1) - x0 + 1, height = int64_t(y1) - y0 + 1;
  bool before_buffer = !is_read && int64_t(y0) * buf_cols + x0 < 0;
  if (width > s->nx || width < 1 || (is_read && width > buf_cols) || before_buffer) {
    PrintError("%s %d: too many columns (%d/%d/%d).\n", call, s->number, int(width), buf_cols,
               s->nx);
    return IM_ERR_TOO_MANY_COLUMNS;
  }
  if (height > s->ny || height < 1 || (is_read && height > buf_rows)) {
    PrintError("%s %d: too many rows (%d/%d/%d).\n", call, s->number, int(height), buf_rows,
               s->ny);
    return IM_ERR_TOO_MANY_ROWS;
  }
  return IM_ERR_NONE;
}

bool WholeSection(const Stream* s, int buf_cols, int buf_rows, int x0, int x1, int y0, int y1) {
  return x0 == 0 && y0 == 0 && x1 == s->nx - 1 && y1 == s->ny - 1 && buf_cols == s->nx &&
         buf_rows == s->ny;
}

int SkipPixels(const char* call, Stream* s, int64_t pixels) {
  if (pixels == 0) return IM_ERR_NONE;
  if (SeekRelative(s, pixels * s->bytes_per_pixel) != 0) {
    PrintError("%s %d: error positioning stream.\n", call, s->number);
    return IM_ERR_POSITION;
  }
  return IM_ERR_NONE;
}

}  // namespace

extern "C" {

int IMRdPas(int number, void* buffer, int buf_cols, int buf_rows, int x0, int x1, int y0,
            int y1) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdPas", number, &rc);
  if (!s) return rc;
  if ((rc = CheckPatch("IMRdPas", s, buf_cols, buf_rows, x0, x1, y0, y1, true)) != IM_ERR_NONE)
    return rc;
  if (WholeSection(s, buf_cols, buf_rows, x0, x1, y0, y1)) return IMRdSec(number, buffer);
  if (s->kind == kWindowStream) {
    if (WindowRead(s, buffer, buf_cols, buf_rows, x0, x1, y0, y1) != 0) {
      PrintError("IMRdPas %d: unable to read from window.\n", number);
      return IM_ERR_READ_WINDOW;
    }
    return IM_ERR_NONE;
  }
  int width = x1 - x0 + 1, height = y1 - y0 + 1;
  size_t element = CallerPixelBytes(s, false);
  uint8_t* out = static_cast<uint8_t*>(buffer);
  if ((rc = SkipPixels("IMRdPas", s, int64_t(y0) * s->nx + x0)) != IM_ERR_NONE) return rc;
  for (int r = 0; r < height; ++r) {
    uint8_t* row = out + size_t(r) * size_t(buf_cols) * element;
    char detail[96];
    snprintf(detail, sizeof detail, "           cols %d -> %d, rows %d -> %d\n", x0, x1, y0, y1);
    rc = ReadFilePixels("IMRdPas", s, row, size_t(width), detail);
    if (rc != IM_ERR_NONE) return rc;
    memset(row + size_t(width) * element, 0, size_t(buf_cols - width) * element);
    if ((rc = SkipPixels("IMRdPas", s, int64_t(s->nx) - width)) != IM_ERR_NONE) return rc;
  }
  for (int r = height; r < buf_rows; ++r)
    memset(out + size_t(r) * size_t(buf_cols) * element, 0, size_t(buf_cols) * element);
  rc = SkipPixels("IMRdPas", s, (int64_t(s->ny) - y1 - 1) * s->nx - x0);
  if (rc == IM_ERR_NONE) {
    ++s->section;
    s->line = s->column = 0;
    s->transfer = kAfterSeek;
  }
  return rc;
}

int IMWrPas(int number, const void* buffer, int buf_cols, int buf_rows, int x0, int x1, int y0,
            int y1) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrPas", number, &rc);
  if (!s) return rc;
  if ((rc = CheckPatch("IMWrPas", s, buf_cols, buf_rows, x0, x1, y0, y1, false)) != IM_ERR_NONE)
    return rc;
  if (WholeSection(s, buf_cols, buf_rows, x0, x1, y0, y1)) return IMWrSec(number, buffer);
  if (s->kind == kWindowStream) {
    if (WindowWrite(s, buffer, buf_cols, buf_rows, x0, x1, y0, y1) != 0) {
      PrintError("IMWrPas %d: unable to write to window.\n", number);
      return IM_ERR_WRITE_WINDOW;
    }
    AdvanceWindowSection(s);
    return IM_ERR_NONE;
  }
  int width = x1 - x0 + 1, height = y1 - y0 + 1;
  size_t element = CallerPixelBytes(s, true);
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  if ((rc = SkipPixels("IMWrPas", s, int64_t(y0) * s->nx + x0)) != IM_ERR_NONE) return rc;
  for (int r = 0; r < height; ++r) {
    const uint8_t* row = in + (size_t(y0 + r) * size_t(buf_cols) + size_t(x0)) * element;
    rc = WriteFilePixels("IMWrPas", s, row, size_t(width), WriteRule::kRoundUnsigned, false);
    if (rc != IM_ERR_NONE) return rc;
    if ((rc = SkipPixels("IMWrPas", s, int64_t(s->nx) - width)) != IM_ERR_NONE) return rc;
  }
  rc = SkipPixels("IMWrPas", s, (int64_t(s->ny) - y1 - 1) * s->nx - x0);
  if (rc == IM_ERR_NONE) rc = FlushWrittenPixels("IMWrPas", s);
  if (rc == IM_ERR_NONE) {
    ++s->section;
    s->line = s->column = 0;
  }
  return rc;
}

int IMRdPal(int number, void* buffer, int x0, int x1, int lines) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdPal", number, &rc);
  if (!s) return rc;
  // The columns are cut from whole lines read into a line buffer: they
  // must lie within the line.
  if (x0 < 0 || x1 < x0 || x1 >= s->nx) {
    PrintError("IMRdPal %d: invalid column range (%d -> %d, NX=%d).\n", number, x0, x1, s->nx);
    return IM_ERR_TOO_MANY_COLUMNS;
  }
  if (lines < 0) {
    PrintError("IMRdPal %d: invalid number of lines (%d).\n", number, lines);
    return IM_ERR_TOO_MANY_ROWS;
  }
  int width = x1 - x0 + 1;
  size_t element = CallerPixelBytes(s, false);
  std::unique_ptr<uint8_t[]> row(s->nx <= (1 << 26) ? new (std::nothrow) uint8_t[size_t(s->nx) * 8]
                                                     : nullptr);
  if (!row) {
    PrintError("IMRdPal %d: unable to allocate memory.\n", number);
    return IM_ERR_ALLOC;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  for (int r = 0; r < lines; ++r) {
    if (s->kind == kWindowStream) {
      int y = s->line;
      if (WindowRead(s, row.get(), s->nx, 1, 0, s->nx - 1, y, y) != 0) {
        PrintError("IMRdPal %d: unable to read from window.\n", number);
        return IM_ERR_READ_WINDOW;
      }
      if (++s->line >= s->ny) AdvanceWindowSection(s);
    } else {
      rc = ReadFilePixels("IMRdPal", s, row.get(), size_t(s->nx));
      if (rc != IM_ERR_NONE) return rc;
    }
    memcpy(out + size_t(r) * size_t(width) * element, row.get() + size_t(x0) * element,
           size_t(width) * element);
  }
  return IM_ERR_NONE;
}

int IMWrPal(int number, const void* buffer, int x0, int x1, int lines) {
  (void)buffer, (void)x0, (void)x1, (void)lines;
  PrintError("IMWrPal %d: unsupported function.\n", number);
  return IM_ERR_UNSUPPORTED;
}

}  // extern "C"
