// Reading and writing whole sections, runs of lines and single lines.
//
// File streams transfer at the current file offset (after a section the
// stream stands at the start of the next one); window streams hand the
// region to the window layer and advance their recorded position; database
// streams deliver the section last requested by IMPosnZWTP.
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "pixel_convert.h"
#include "section_transfer.h"
#include "stream.h"

namespace imlib {

namespace {

constexpr size_t kScratchBytes = 131072;  // IMWrSec's conversion area
uint8_t g_write_scratch[kScratchBytes];

// Advances a window stream past the section it just transferred.
void AdvanceSection(Stream* s) {
  s->column = 0;
  s->line = 0;
  int64_t total = int64_t(s->nz) * s->nw * s->nt * s->np;
  s->section = s->section + 1 >= total ? 0 : s->section + 1;
  CoordinatesOf(s->sequence, s->nz, s->nw, s->nt, s->np, s->section, &s->z, &s->w, &s->t, &s->p);
  if (s->window_image) {
    s->window_image->column = s->column;
    s->window_image->line = s->line;
    s->window_image->z = s->z;
    s->window_image->w = s->w;
    s->window_image->t = s->t;
    s->window_image->p = s->p;
    s->window_image->section = s->section;
  }
}

}  // namespace

int ReadFilePixels(const char* call, Stream* s, void* buffer, size_t n, const char* detail) {
  int bpp = s->bytes_per_pixel;
  bool widen_through_temp = s->convert && (s->mode == IM_COMPLEX_FLOAT || s->mode == IM_DOUBLE);
  std::unique_ptr<uint8_t[]> temp;
  void* target = buffer;
  if (s->io_mode == kDatabase) {
    // The database delivers a whole section of stored pixels.
    temp.reset(new (std::nothrow) uint8_t[size_t(s->nx) * size_t(s->ny) * size_t(bpp)]);
    if (!temp) {
      PrintError("%s %d: unable to allocate memory.\n", call, s->number);
      return IM_ERR_ALLOC;
    }
    if (IWDMEGetSection(temp.get()) != 0) {
      PrintError("%s %d: only %d pixels read (EOF=%d).\n", call, s->number, 0, 0);
      return IM_ERR_READ_COUNT;
    }
    if (widen_through_temp) {
      target = temp.get();
    } else {
      memcpy(buffer, temp.get(), n * size_t(bpp));
    }
  } else {
    if (widen_through_temp) {
      temp.reset(new (std::nothrow) uint8_t[n * size_t(bpp)]);
      if (!temp) {
        PrintError("%s %d: unable to allocate memory.\n", call, s->number);
        return IM_ERR_ALLOC;
      }
      target = temp.get();
    }
    errno = 0;
    size_t got = RawRead(s, target, size_t(bpp), n);
    if (got < n) {
      int saved = errno;
      PrintError("%s %d: only %d pixels read (EOF=%d).\n", call, s->number, int(got),
                 AtEndOfFile(s));
      if (detail) PrintError("%s", detail);
      PrintSystemError(saved);
      return IM_ERR_READ_COUNT;
    }
  }
  if (s->swapped && !SwapPixels(s->mode, target, n)) {
    PrintError("%s %d: byte swap failed\n", call, s->number);
    return IM_ERR_SWAP;
  }
  if (s->convert) {
    if (s->mode == IM_COMPLEX_SHORT) return IM_ERR_COMPLEX_SHORT;
    PixelsToFloats(s->mode, target, static_cast<float*>(buffer), n);
  }
  return IM_ERR_NONE;
}

int WriteFilePixels(const char* call, Stream* s, const void* buffer, size_t n, WriteRule rule,
                    bool static_scratch) {
  int bpp = s->bytes_per_pixel;
  size_t written = 0;
  ClampCount clamp;
  errno = 0;
  if (!s->convert || s->mode == IM_FLOAT || s->mode == IM_COMPLEX_FLOAT) {
    // Stored as given: raw bytes, floats, or complex pairs of floats.
    written = RawWrite(s, buffer, size_t(bpp), n);
  } else if (s->mode == IM_COMPLEX_SHORT) {
    return IM_ERR_COMPLEX_SHORT;
  } else if (s->mode == IM_BYTE || s->mode == IM_SHORT || s->mode == IM_USHORT ||
             s->mode == IM_LONG || s->mode == IM_DOUBLE) {
    const float* src = static_cast<const float*>(buffer);
    if (static_scratch) {
      size_t chunk = kScratchBytes / size_t(bpp);
      for (size_t done = 0; done < n;) {
        size_t k = n - done < chunk ? n - done : chunk;
        FloatsToPixels(s->mode, rule, src + done, g_write_scratch, k, &clamp);
        size_t put = RawWrite(s, g_write_scratch, size_t(bpp), k);
        written += put;
        done += k;
        if (put != k) break;
      }
    } else {
      std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[n * size_t(bpp)]);
      if (!out) {
        PrintError("%s %d: unable to allocate memory.\n", call, s->number);
        return IM_ERR_ALLOC;
      }
      FloatsToPixels(s->mode, rule, src, out.get(), n, &clamp);
      written = RawWrite(s, out.get(), size_t(bpp), n);
    }
  } else {
    return IM_ERR_NONE;
  }
  if (clamp.hi + clamp.lo >= 1 && VerboseLevel() != 0)
    PrintError("%s %d: intensity truncation (hi=%d, lo=%d).\n", call, s->number, clamp.hi,
               clamp.lo);
  if (written != n) {
    int saved = errno;
    PrintError("%s %d: incorrect number of pixels written.\n", call, s->number);
    PrintSystemError(saved);
    return IM_ERR_WRITE_COUNT;
  }
  return IM_ERR_NONE;
}

int WindowRead(Stream* s, void* buffer, int buf_cols, int buf_rows, int x0, int x1, int y0,
               int y1) {
  int keep = s->convert ? 0 : 1;
  return isirdpas_(&s->window, buffer, &buf_cols, &buf_rows, &x0, &x1, &y0, &y1, &s->z, &s->w,
                   &s->t, &s->p, &keep) == 1
             ? 0
             : -1;
}

int WindowWrite(Stream* s, const void* buffer, int buf_cols, int buf_rows, int x0, int x1,
                int y0, int y1) {
  int keep = s->convert ? 0 : 1;
  return isiwrpas_(&s->window, buffer, &buf_cols, &buf_rows, &x0, &x1, &y0, &y1, &s->z, &s->w,
                   &s->t, &s->p, &keep, &s->display) == 1
             ? 0
             : -1;
}

void AdvanceWindowSection(Stream* s) { AdvanceSection(s); }

}  // namespace imlib

using namespace imlib;

namespace {

// Window line transfers: lines rows from the current line, advancing the
// line and, at the end of the section, the section.
int WindowLines(const char* call, Stream* s, void* read_buffer, const void* write_buffer,
                int lines) {
  if (s->line + lines > s->ny) {
    PrintError("%s %d: error positioning beyond last Y.\n", call, s->number);
    return IM_ERR_Y_RANGE;
  }
  int y0 = s->line, y1 = s->line + lines - 1;
  if (read_buffer) {
    if (WindowRead(s, read_buffer, s->nx, lines, 0, s->nx - 1, y0, y1) != 0) {
      PrintError("%s %d: unable to read from window.\n", call, s->number);
      return IM_ERR_READ_WINDOW;
    }
  } else if (WindowWrite(s, write_buffer, s->nx, lines, 0, s->nx - 1, y0, y1) != 0) {
    PrintError("%s %d: unable to write to window.\n", call, s->number);
    return IM_ERR_WRITE_WINDOW;
  }
  s->line += lines;
  if (s->line >= s->ny) AdvanceWindowSection(s);
  return IM_ERR_NONE;
}

int CheckLines(const char* call, Stream* s, int lines) {
  if (lines < 0 || (s->nx > 0 && int64_t(lines) * s->nx > int64_t(1) << 40)) {
    PrintError("%s %d: error positioning beyond last Y.\n", call, s->number);
    return IM_ERR_Y_RANGE;
  }
  return IM_ERR_NONE;
}

size_t SectionPixels(const Stream* s) {
  if (s->nx <= 0 || s->ny <= 0) return 0;
  return size_t(s->nx) * size_t(s->ny);
}

}  // namespace

extern "C" {

int IMRdSec(int number, void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdSec", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) {
    if (WindowRead(s, buffer, s->nx, s->ny, 0, s->nx - 1, 0, s->ny - 1) != 0) {
      PrintError("IMRdSec %d: unable to read from window.\n", number);
      return IM_ERR_READ_WINDOW;
    }
    AdvanceWindowSection(s);
    return IM_ERR_NONE;
  }
  rc = ReadFilePixels("IMRdSec", s, buffer, SectionPixels(s));
  if (rc == IM_ERR_NONE) {
    ++s->section;
    s->line = s->column = 0;
  }
  return rc;
}

int IMRdSecl(int number, void* buffer, int lines) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdSecl", number, &rc);
  if (!s) return rc;
  if ((rc = CheckLines("IMRdSecl", s, lines)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMRdSecl", s, buffer, nullptr, lines);
  return ReadFilePixels("IMRdSecl", s, buffer, size_t(lines) * size_t(s->nx > 0 ? s->nx : 0));
}

int IMRdLin(int number, void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdLin", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMRdLin", s, buffer, nullptr, 1);
  return ReadFilePixels("IMRdLin", s, buffer, size_t(s->nx > 0 ? s->nx : 0));
}

int IMWrSec(int number, const void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrSec", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) {
    if (WindowWrite(s, buffer, s->nx, s->ny, 0, s->nx - 1, 0, s->ny - 1) != 0) {
      PrintError("IMWrSec %d: unable to write to window.\n", number);
      return IM_ERR_WRITE_WINDOW;
    }
    AdvanceWindowSection(s);
    return IM_ERR_NONE;
  }
  rc = WriteFilePixels("IMWrSec", s, buffer, SectionPixels(s), WriteRule::kTruncate, true);
  if (rc == IM_ERR_NONE) {
    FlushStream(s);
    ++s->section;
    s->line = s->column = 0;
  }
  return rc;
}

int IMWrSecl(int number, const void* buffer, int lines) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrSecl", number, &rc);
  if (!s) return rc;
  if ((rc = CheckLines("IMWrSecl", s, lines)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMWrSecl", s, nullptr, buffer, lines);
  return WriteFilePixels("IMWrSecl", s, buffer, size_t(lines) * size_t(s->nx > 0 ? s->nx : 0),
                         WriteRule::kRoundUnsigned, false);
}

int IMWrLin(int number, const void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrLin", number, &rc);
  if (!s) return rc;
  if (!s->convert) {
    PrintError("IMWrLin: write without conversion not implemented yet.\n");
    return IM_ERR_NOT_IMPLEMENTED;
  }
  if (s->kind == kWindowStream) return WindowLines("IMWrLin", s, nullptr, buffer, 1);
  return WriteFilePixels("IMWrLin", s, buffer, size_t(s->nx > 0 ? s->nx : 0),
                         WriteRule::kRoundAll, false);
}

int IMALCon(int number, int convert) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMALCon", number, &rc);
  if (!s) return rc;
  s->convert = convert ? 1 : 0;
  return IM_ERR_NONE;
}

int IMRtCon(int number, int* convert) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtCon", number, &rc);
  if (!s) return rc;
  if (convert) *convert = s->convert;
  return IM_ERR_NONE;
}

}  // extern "C"
