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
  s->section = s->section + 1 >= SectionCount(s) ? 0 : s->section + 1;
  CoordinatesOf(s->sequence, s->nz, s->nw, s->nt, s->np, s->section, &s->z, &s->w, &s->t, &s->p);
  StorePositionInWindow(s);
}

// The message of pixels that did not reach the file; 213.
int ReportShortWrite(const char* call, const Stream* s, int saved_errno) {
  PrintError("%s %d: incorrect number of pixels written.\n", call, s->number);
  PrintSystemError(saved_errno);
  return IM_ERR_WRITE_COUNT;
}

}  // namespace

size_t CallerPixelBytes(const Stream* s, bool writing) {
  return !s->convert || PassedAsStored(s->mode, writing) ? size_t(s->bytes_per_pixel)
                                                         : sizeof(float);
}

int ReadFilePixels(const char* call, Stream* s, void* buffer, size_t n, const char* detail) {
  size_t bpp = size_t(s->bytes_per_pixel);
  bool convert = s->convert && !PassedAsStored(s->mode, false);
  if (s->io_mode == kDatabase) {
    // The database delivers a whole section of stored pixels.
    std::vector<uint8_t> section;
    try {
      section.resize(n * bpp);
    } catch (const std::bad_alloc&) {
      PrintError("%s %d: unable to allocate memory.\n", call, s->number);
      return IM_ERR_ALLOC;
    }
    if (IWDMEGetSection(section.data()) != 0) {
      PrintError("%s %d: only %d pixels read (EOF=%d).\n", call, s->number, 0, 0);
      return IM_ERR_READ_COUNT;
    }
    if (convert) {
      if (s->mode == IM_COMPLEX_SHORT) return IM_ERR_COMPLEX_SHORT;
      PixelsToFloats(s->mode, section.data(), static_cast<float*>(buffer), n);
    } else {
      memcpy(buffer, section.data(), n * bpp);
    }
    return IM_ERR_NONE;
  }
  // Complex pixels are wider than the caller's floats: they pass through a
  // bounded scratch area, chunk by chunk. The others are read in place with
  // one transfer (and widened from the end).
  bool through_scratch = convert && s->mode == IM_COMPLEX_FLOAT;
  size_t chunk = through_scratch ? kScratchBytes / bpp : n;
  std::vector<uint8_t> scratch(through_scratch ? kScratchBytes : 0);

  for (size_t done = 0; done < n || n == 0;) {
    size_t k = n - done < chunk ? n - done : chunk;
    // Narrow pixels that are widened in place are read into the end of the
    // caller's float buffer, so that the widening runs forward.
    size_t lead = convert && bpp < sizeof(float) ? n * (sizeof(float) - bpp) : 0;
    uint8_t* target = through_scratch ? scratch.data()
                                      : static_cast<uint8_t*>(buffer) + lead + done * bpp;
    errno = 0;
    size_t got = RawRead(s, target, bpp, k);
    if (got < k) {
      int saved = errno;
      PrintError("%s %d: only %d pixels read (EOF=%d).\n", call, s->number, int(done + got),
                 AtEndOfFile(s));
      if (detail) PrintError("%s", detail);
      PrintSystemError(saved);
      return IM_ERR_READ_COUNT;
    }
    if (s->swapped && !SwapPixels(s->mode, target, k)) {
      PrintError("%s %d: byte swap failed\n", call, s->number);
      return IM_ERR_SWAP;
    }
    if (convert) {
      if (s->mode == IM_COMPLEX_SHORT) return IM_ERR_COMPLEX_SHORT;
      PixelsToFloats(s->mode, target, static_cast<float*>(buffer) + done, k);
    }
    done += k;
    if (n == 0) break;
  }
  return IM_ERR_NONE;
}

int WriteFilePixels(const char* call, Stream* s, const void* buffer, size_t n, WriteRule rule,
                    bool static_scratch) {
  size_t bpp = size_t(s->bytes_per_pixel);
  size_t written = 0;
  ClampCount clamp;
  errno = 0;
  if (!s->convert || PassedAsStored(s->mode, true)) {
    // Stored as given: raw bytes, floats, complex pairs or doubles.
    written = RawWrite(s, buffer, bpp, n);
  } else if (s->mode == IM_COMPLEX_SHORT) {
    return IM_ERR_COMPLEX_SHORT;
  } else if (s->mode == IM_BYTE || s->mode == IM_SHORT || s->mode == IM_USHORT ||
             s->mode == IM_LONG) {
    const float* src = static_cast<const float*>(buffer);
    // Section writes convert through the fixed static area; line and patch
    // writes through a buffer of their own, bounded in size.
    std::vector<uint8_t> own;
    uint8_t* scratch = g_write_scratch;
    size_t capacity = kScratchBytes;
    if (!static_scratch) {
      try {
        capacity = n * bpp < kScratchBytes ? n * bpp : kScratchBytes;
        own.resize(capacity);
      } catch (const std::bad_alloc&) {
        PrintError("%s %d: unable to allocate memory.\n", call, s->number);
        return IM_ERR_ALLOC;
      }
      scratch = own.data();
    }
    size_t chunk = capacity / bpp;
    for (size_t done = 0; done < n;) {
      size_t k = n - done < chunk ? n - done : chunk;
      FloatsToPixels(s->mode, rule, src + done, scratch, k, &clamp);
      size_t put = RawWrite(s, scratch, bpp, k);
      written += put;
      done += k;
      if (put != k) break;
    }
  } else {
    return IM_ERR_NONE;
  }
  if (clamp.hi + clamp.lo >= 1 && VerboseLevel() != 0)
    PrintError("%s %d: intensity truncation (hi=%d, lo=%d).\n", call, s->number, clamp.hi,
               clamp.lo);
  if (written != n) return ReportShortWrite(call, s, errno);
  return IM_ERR_NONE;
}

int FlushWrittenPixels(const char* call, Stream* s) {
  if (FlushStream(s) != 0) return ReportShortWrite(call, s, errno);
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

// Sections need positive sizes; a header with NX or NY below 1 cannot be
// transferred. 0, 302 or 303.
int CheckGeometry(const char* call, const Stream* s) {
  if (s->nx < 1 || s->ny < 1) {
    PrintError("%s %d: invalid image size (%d x %d).\n", call, s->number, s->nx, s->ny);
    return s->nx < 1 ? IM_ERR_X_RANGE : IM_ERR_Y_RANGE;
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
  if ((rc = CheckGeometry("IMRdSec", s)) != IM_ERR_NONE) return rc;
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
  if ((rc = CheckGeometry("IMRdSecl", s)) != IM_ERR_NONE) return rc;
  if ((rc = CheckLines("IMRdSecl", s, lines)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMRdSecl", s, buffer, nullptr, lines);
  return ReadFilePixels("IMRdSecl", s, buffer, size_t(lines) * size_t(s->nx > 0 ? s->nx : 0));
}

int IMRdLin(int number, void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRdLin", number, &rc);
  if (!s) return rc;
  if ((rc = CheckGeometry("IMRdLin", s)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMRdLin", s, buffer, nullptr, 1);
  return ReadFilePixels("IMRdLin", s, buffer, size_t(s->nx > 0 ? s->nx : 0));
}

int IMWrSec(int number, const void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrSec", number, &rc);
  if (!s) return rc;
  if ((rc = CheckGeometry("IMWrSec", s)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) {
    if (WindowWrite(s, buffer, s->nx, s->ny, 0, s->nx - 1, 0, s->ny - 1) != 0) {
      PrintError("IMWrSec %d: unable to write to window.\n", number);
      return IM_ERR_WRITE_WINDOW;
    }
    AdvanceWindowSection(s);
    return IM_ERR_NONE;
  }
  rc = WriteFilePixels("IMWrSec", s, buffer, SectionPixels(s), WriteRule::kTruncate, true);
  if (rc == IM_ERR_NONE) rc = FlushWrittenPixels("IMWrSec", s);
  if (rc == IM_ERR_NONE) {
    ++s->section;
    s->line = s->column = 0;
  }
  return rc;
}

int IMWrSecl(int number, const void* buffer, int lines) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrSecl", number, &rc);
  if (!s) return rc;
  if ((rc = CheckGeometry("IMWrSecl", s)) != IM_ERR_NONE) return rc;
  if ((rc = CheckLines("IMWrSecl", s, lines)) != IM_ERR_NONE) return rc;
  if (s->kind == kWindowStream) return WindowLines("IMWrSecl", s, nullptr, buffer, lines);
  return WriteFilePixels("IMWrSecl", s, buffer, size_t(lines) * size_t(s->nx > 0 ? s->nx : 0),
                         WriteRule::kRoundUnsigned, false);
}

int IMWrLin(int number, const void* buffer) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMWrLin", number, &rc);
  if (!s) return rc;
  if ((rc = CheckGeometry("IMWrLin", s)) != IM_ERR_NONE) return rc;
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
