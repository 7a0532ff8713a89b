// Section numbering by image sequence, and positioning a stream at a line of
// a section.
//
// The four letters of a sequence name list Z, W, T and P from the fastest-
// to the slowest-varying; a section number is the sum over the dimensions
// of the coordinate times the product of the sizes of all faster ones.
#include <unistd.h>

#include <climits>
#include <cmath>

#include "stream.h"

namespace imlib {

namespace {

// Picks the coordinate or size of the dimension a letter names.
int Pick(char letter, int z, int w, int t, int p) {
  switch (letter) {
    case 'Z': return z;
    case 'W': return w;
    case 'T': return t;
    default: return p;
  }
}

int* PickOut(char letter, int* z, int* w, int* t, int* p) {
  switch (letter) {
    case 'Z': return z;
    case 'W': return w;
    case 'T': return t;
    default: return p;
  }
}

}  // namespace

int64_t SaturatedProduct(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
  return r;
}

int64_t SectionCount(const Stream* s) {
  return SaturatedProduct(SaturatedProduct(s->nz, s->nw), SaturatedProduct(s->nt, s->np));
}

int RoundHalfUp(float v) {
  double d = double(v) + 0.5;
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return 2147483647;
  if (d <= -2147483648.0) return -2147483647 - 1;
  return int(d);
}

int64_t SectionOf(int sequence, int nz, int nw, int nt, int np, int z, int w, int t, int p) {
  if (sequence < 0 || sequence > 14) return -1;
  const char* order = IMRtSequenceName(sequence);
  int64_t section = 0, stride = 1;
  for (int i = 0; i < 4; ++i) {
    section += SaturatedProduct(Pick(order[i], z, w, t, p), stride);
    stride = SaturatedProduct(stride, Pick(order[i], nz, nw, nt, np));
  }
  return section;
}

bool CoordinatesOf(int sequence, int nz, int nw, int nt, int np, int64_t section, int* z,
                   int* w, int* t, int* p) {
  if (sequence < 0 || sequence > 14) return false;
  const char* order = IMRtSequenceName(sequence);
  int64_t rest = section;
  for (int i = 0; i < 4; ++i) {
    int size = Pick(order[i], nz, nw, nt, np);
    if (size < 1) size = 1;
    *PickOut(order[i], z, w, t, p) = int(rest % size);
    rest /= size;
  }
  return true;
}

double PixelOffset(const Stream* s, int64_t section, int64_t line) {
  return double(IM_HEADER_BYTES) + double(s->next) +
         double(s->bytes_per_pixel) *
             (double(section) * double(s->nx) * double(s->ny) + double(line) * double(s->nx));
}

namespace {

// Moves a file stream to a byte offset relative to where it stands; the
// difference is rounded as the offset arithmetic is done in doubles.
int MoveTo(Stream* s, double target) {
  int64_t current = TellOffset(s);
  if (current < 0) return -1;
  double delta = target - double(current);
  delta += delta < 0 ? -0.0001 : 0.0001;
  if (!(std::fabs(delta) < 9.0e18)) return -1;
  return SeekRelative(s, int64_t(delta));
}

}  // namespace

void StorePositionInWindow(Stream* s) {
  if (!s->window_image) return;
  s->window_image->column = s->column;
  s->window_image->line = s->line;
  s->window_image->z = s->z;
  s->window_image->w = s->w;
  s->window_image->t = s->t;
  s->window_image->p = s->p;
  s->window_image->section = s->section;
}

}  // namespace imlib

using namespace imlib;

extern "C" {

int IMRtSecNum2(int number, int z, int w, int t, int p, int* section) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtSecNum2", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  if (z < 0 || z >= s->nz || w < 0 || w >= s->nw || t < 0 || t >= s->nt || p < 0 ||
      p >= s->np) {
    if (section) *section = 0;
    PrintError(
        "[%d] IMRtSecNum2 %d: invalid Z,W,T,P coordinate.\nRequested %d %d %d %d, Stream has "
        "%d %d %d %d.\n",
        int(getpid()), number, z, w, t, p, s->nz, s->nw, s->nt, s->np);
    return IM_ERR_ZWTP;
  }
  int64_t sec = SectionOf(s->sequence, s->nz, s->nw, s->nt, s->np, z, w, t, p);
  if (sec < 0) {
    if (section) *section = 0;
    PrintError("IMRtSecNum2 %d: invalid image sequence %d\n", number, s->sequence);
    return IM_ERR_SEQUENCE;
  }
  if (section) *section = int(sec);
  if (VerboseLevel() != 0)
    PrintOut("IMRtSecNum2 %d: iz=%d, iw=%d, it=%d, ip=%d, sec=%d\n", number, z, w, t, p,
             int(sec));
  return IM_ERR_NONE;
}

int IMRtSecNum(int number, int z, int w, int t, int* section) {
  return IMRtSecNum2(number, z, w, t, 0, section);
}

int IMRtZWTPNum(int number, int* z, int* w, int* t, int* p, int section) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtZWTPNum", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int cz = 0, cw = 0, ct = 0, cp = 0;
  if (section < 0 || section >= SectionCount(s)) {
    rc = IM_ERR_SECTION;
  } else if (!CoordinatesOf(s->sequence, s->nz, s->nw, s->nt, s->np, section, &cz, &cw, &ct,
                            &cp)) {
    cz = cw = ct = cp = 0;
    rc = IM_ERR_SEQUENCE;
  }
  if (z) *z = cz;
  if (w) *w = cw;
  if (t) *t = ct;
  if (p) *p = cp;
  return rc;
}

int IMRtZWTNum(int number, int* z, int* w, int* t, int section) {
  return IMRtZWTPNum(number, z, w, t, nullptr, section);
}

int IMPosn(int number, int section, int line) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMPosn", number, &rc);
  if (!s) return rc;
  if (s->kind == kFileStream && s->io_mode != kDatabase) {
    if (MoveTo(s, PixelOffset(s, section, line)) != 0) {
      PrintError("%s %d: error positioning stream.\n", "IMPosn", number);
      return IM_ERR_POSITION;
    }
  }
  s->column = 0;
  s->line = line;
  s->section = section;
  if (s->kind == kWindowStream) {
    CoordinatesOf(s->sequence, s->nz, s->nw, s->nt, s->np, section, &s->z, &s->w, &s->t, &s->p);
    StorePositionInWindow(s);
  }
  return IM_ERR_NONE;
}

int IMPosnZWTP(int number, int z, int w, int t, int p) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMPosnZWTP", number, &rc);
  if (!s) return rc;
  if (s->kind == kFileStream && s->io_mode != kDatabase) {
    if (TellOffset(s) < 0) {
      PrintError("%s %d: error positioning stream.\n", "IMPosnZWTP - current position is invalid.",
                 number);
      return IM_ERR_POSITION;
    }
    int section = 0;
    if (IMRtSecNum2(number, z, w, t, p, &section) != IM_ERR_NONE) {
      PrintError("%s %d: error positioning stream.\n", "IMPosnZWTP 1 - invalid section number",
                 number);
      return IM_ERR_POSITION;
    }
    if (MoveTo(s, PixelOffset(s, section, 0)) != 0) {
      PrintError("%s %d: error positioning stream.\n",
                 "IMPosnZWTP - unable to seek to new position", number);
      return IM_ERR_POSITION;
    }
    s->column = s->line = 0;
    s->z = z, s->w = w, s->t = t, s->p = p;
    s->section = section;
    return IM_ERR_NONE;
  }
  int section = 0;
  rc = IMRtSecNum2(number, z, w, t, p, &section);
  if (rc != IM_ERR_NONE) return rc;
  s->column = s->line = 0;
  s->z = z, s->w = w, s->t = t, s->p = p;
  s->section = section;
  if (s->io_mode == kDatabase) {
    PrintError("PANEL SUPPORT NEEDS TO BE ADDED HERE.\n");
    IWDMESetSection(z, w, t);
    return IM_ERR_NONE;
  }
  StorePositionInWindow(s);
  int cz = 0, cw = 0, ct = 0, cp = 0;
  CoordinatesOf(s->sequence, s->nz, s->nw, s->nt, s->np, section, &cz, &cw, &ct, &cp);
  if (cz != z || cw != w || ct != t || cp != p)
    PrintError("IMPosnZWTP %d: internal calculation error.\n", number);
  return IM_ERR_NONE;
}

int IMPosnZWT(int number, int z, int w, int t) { return IMPosnZWTP(number, z, w, t, 0); }

}  // extern "C"
