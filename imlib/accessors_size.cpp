// Header accessors for sizes, sequence, pixel type, file type and identity.
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

namespace {

// Sets the four sizes and the sequence; sections become their product.
int SetZwtp(const char* call, int number, int nz, int nw, int nt, int np, int sequence,
            bool keep_sequence) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess(call, number, &rc);
  if (!s) return rc;
  int64_t sections = SaturatedProduct(SaturatedProduct(nz, nw), SaturatedProduct(nt, np));
  if (sections > 0x7fffffff || sections < 0) sections = 0;
  if (s->kind == kWindowStream && sections > s->num_sections) {
    PrintError("%s %d: warning. increasing the number of sections in an existing window.\n", call,
               number);
    PrintError("            Current num sections = %d. Requested NZ,NW,NT,NP=(%d,%d,%d,%d).\n",
               s->num_sections, nz, nw, nt, np);
  }
  s->nz = nz;
  s->nw = nw;
  s->nt = nt;
  s->np = np;
  if (!keep_sequence) s->sequence = sequence;
  s->num_sections = int(sections);
  PushToWindow(s);
  if (s->kind == kWindowStream) IWWinSectionCountChanged(s->window, s->num_sections);
  return IM_ERR_NONE;
}

}  // namespace

extern "C" {

int IMRtZWTP(int number, int* nz, int* nw, int* nt, int* np, int* sequence) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtZWTP", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) {
    int64_t planes = SaturatedProduct(SaturatedProduct(s->nw, s->nt), s->np);
    s->nz = planes < 1 ? 1 : int(s->num_sections / planes);
  }
  if (nz) *nz = s->nz;
  if (nw) *nw = s->nw;
  if (nt) *nt = s->nt;
  if (np) *np = s->np;
  if (sequence) *sequence = s->sequence;
  return IM_ERR_NONE;
}

int IMRtZWT(int number, int* nz, int* nw, int* nt, int* sequence) {
  return IMRtZWTP(number, nz, nw, nt, nullptr, sequence);
}

int IMAlZWTP(int number, int nz, int nw, int nt, int np, int sequence) {
  return SetZwtp("IMAlZWTP", number, nz, nw, nt, np, sequence, false);
}

int IMAlZWT(int number, int nz, int nw, int nt, int sequence) {
  return SetZwtp("IMAlZWTP", number, nz, nw, nt, 1, sequence, false);
}

int IMAlZWTPnoseq(int number, int nz, int nw, int nt, int np) {
  return SetZwtp("IMAlZWTP", number, nz, nw, nt, np, 0, true);
}

int IMRtImageSequence(int number, int* sequence) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtImageSequence", number, &rc);
  if (!s) return rc;
  if (sequence) *sequence = s->sequence;
  return IM_ERR_NONE;
}

int IMAlImageSequence(int number, int sequence) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlImageSequence", number, &rc);
  if (!s) return rc;
  s->sequence = sequence;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtXY(int number, int* nx, int* ny) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtXY", number, &rc);
  if (!s) return rc;
  if (nx) *nx = s->nx;
  if (ny) *ny = s->ny;
  return IM_ERR_NONE;
}

int IMAlXY(int number, int nx, int ny) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlXY", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream) return IM_ERR_WINDOW_SIZE;
  s->nx = nx;
  s->ny = ny;
  return IM_ERR_NONE;
}

int IMRtSiz(int number, int size[3], int sampling[3], int start[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtSiz", number, &rc);
  if (!s) return rc;
  if (int64_t(s->num_sections) != SectionCount(s))
    PrintError("IMRtSiz: inconsistent section count (secs vs. ZWTP).\n");
  if (size) {
    size[0] = s->nx;
    size[1] = s->ny;
    size[2] = s->num_sections;
  }
  for (int i = 0; i < 3; ++i) {
    if (sampling) sampling[i] = RoundHalfUp(s->sampling[i]);
    if (start) start[i] = s->start[i];
  }
  return IM_ERR_NONE;
}

int IMAlSiz(int number, const int size[3], const int start[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlSiz", number, &rc);
  if (!s) return rc;
  if (!size) return IM_ERR_NONE;
  if (s->kind == kWindowStream && size[2] > s->num_sections) {
    PrintError("IMAlSiz %d: unable to increase the number of sections in an existing window.\n",
               number);
    return IM_ERR_WINDOW_SIZE;
  }
  s->nx = size[0];
  s->ny = size[1];
  s->num_sections = size[2];
  int64_t planes = SaturatedProduct(SaturatedProduct(s->nw, s->nt), s->np);
  s->nz = planes < 1 ? s->num_sections : int(s->num_sections / planes);
  if (start)
    for (int i = 0; i < 3; ++i) s->start[i] = start[i];
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtMode(int number, int* pixel_type) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtMode", number, &rc);
  if (!s) return rc;
  if (pixel_type) *pixel_type = s->mode;
  return IM_ERR_NONE;
}

int IMAlMode(int number, int pixel_type) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlMode", number, &rc);
  if (!s) return rc;
  if (pixel_type >= 9) {
    PrintError("IMAlMode %d: %d is an invalid pixel data type.\n", number, pixel_type);
    return IM_ERR_PIXEL_TYPE;
  }
  s->mode = pixel_type;
  s->bytes_per_pixel = AssumedBytesPerPixel(pixel_type);
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtBytesPerPixel(int number, int* bytes) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtBytesPerPixel", number, &rc);
  if (!s) return rc;
  if (s->mode == IM_COMPLEX_SHORT) {
    PrintError("IMRtBytesPerPix %d: 16 bit complex data not supported.\n", number);
    if (bytes) *bytes = 4;
    return IM_ERR_COMPLEX_SHORT;
  }
  if (BytesPerPixelOf(s->mode) == 0) {
    PrintError("IMRtBytesPerPix %d: %d is an invalid pixel data type.\n", number, s->mode);
    if (bytes) *bytes = 2;
    return IM_ERR_PIXEL_TYPE;
  }
  if (bytes) *bytes = BytesPerPixelOf(s->mode);
  return IM_ERR_NONE;
}

int IMRtDataTypeMinMax(int number, double* min, double* max) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtDataTypeMinMax", number, &rc);
  if (!s) return rc;
  double lo = 0, hi = 0;
  switch (s->mode) {
    case IM_BYTE: lo = 0, hi = 255; break;
    case IM_SHORT: lo = -32767, hi = 32767; break;
    case IM_USHORT: lo = 0, hi = 65535; break;
    case IM_LONG: lo = -2147483647.0, hi = 2147483647.0; break;
    case IM_FLOAT:
    case IM_COMPLEX_FLOAT:
    case IM_DOUBLE: lo = -1e38, hi = 1e38; break;
    case IM_COMPLEX_SHORT:
      PrintError("IMRtDataTypeMinMax %d: 16 bit complex data not supported.\n", number);
      return IM_ERR_COMPLEX_SHORT;
    default:
      PrintError("IMRtDataTypeMinMax %d: %d is an invalid pixel data type.\n", number, s->mode);
      return IM_ERR_PIXEL_TYPE;
  }
  if (min) *min = lo;
  if (max) *max = hi;
  return IM_ERR_NONE;
}

int IMRtDataBitsPerPixel(int number, int* bits) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtDataBitsPerPixel", number, &rc);
  if (!s) return rc;
  if (bits) *bits = s->file_type <= 99 ? 0 : s->data_bits;
  if (s->file_type <= 99 || s->data_bits == 0) return IM_ERR_DATA_BITS_UNDEFINED;
  return IM_ERR_NONE;
}

int IMAlDataBitsPerPixel(int number, int bits) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlDataBitsPerPixel", number, &rc);
  if (!s) return rc;
  if (s->file_type <= 99) {
    PrintError("IMAlDataBitsPerPixel %d: file type %d does not support storage of data bits.\n",
               number, s->file_type);
    return IM_ERR_DATA_BITS_UNDEFINED;
  }
  if (bits >= 256 || bits < 0) {
    PrintError("IMAlDataBitsPerPixel %d: invalid number of data bits per pixel (%d)\n", number,
               bits);
    return IM_ERR_DATA_BITS;
  }
  s->data_bits = bits;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtFileType(int number, int* file_type) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtFileType", number, &rc);
  if (!s) return rc;
  if (file_type) *file_type = s->file_type;
  return IM_ERR_NONE;
}

}  // extern "C"

namespace imlib {

// Changes the file type and with it the layout's title and wavelength
// limits; titles beyond the new limit are dropped (401).
int ChangeFileType(const char* call, Stream* s, int file_type) {
  int rc = IM_ERR_NONE;
  s->file_type = file_type;
  SetTitleLimits(s);
  if (s->num_titles > s->max_titles) {
    PrintError("%s %d: the current number of titles (%d) is too large for file type %d.\n", call,
               s->number, s->num_titles, file_type);
    PrintError("%s %d: setting the number of titles to %d.\n", call, s->number, s->max_titles);
    for (int i = s->max_titles; i < IM_MAX_TITLES; ++i) memset(s->titles[i], 0, IM_TITLE_LENGTH);
    s->num_titles = s->max_titles;
    rc = IM_ERR_TOO_MANY_TITLES;
  }
  return rc;
}

}  // namespace imlib

extern "C" {

int IMAlFileType(int number, int file_type) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlFileType", number, &rc);
  if (!s) return rc;
  rc = ChangeFileType("IMAlFileType", s, file_type);
  PushToWindow(s);
  return rc;
}

int IMRtDat(int number, int* file_type, int* lens, int* aux_int1, int* aux_int2,
            float* aux_value1, float* aux_value2) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtDat", number, &rc);
  if (!s) return rc;
  if (file_type) *file_type = s->file_type;
  if (lens) *lens = s->lens;
  if (aux_int1) *aux_int1 = s->aux_int[0];
  if (aux_int2) *aux_int2 = s->aux_int[1];
  if (aux_value1) *aux_value1 = s->aux_value[0];
  if (aux_value2) *aux_value2 = s->aux_value[1];
  return IM_ERR_NONE;
}

int IMAlDat(int number, int file_type, int lens, int aux_int1, int aux_int2, float aux_value1,
            float aux_value2) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlDat", number, &rc);
  if (!s) return rc;
  rc = ChangeFileType("IMAlDat", s, file_type);
  s->lens = lens;
  s->aux_int[0] = aux_int1;
  s->aux_int[1] = aux_int2;
  s->aux_value[0] = aux_value1;
  s->aux_value[1] = aux_value2;
  PushToWindow(s);
  return rc;
}

int IMRtLensID(int number, int* lens) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtLensID", number, &rc);
  if (!s) return rc;
  if (lens) *lens = s->lens;
  return IM_ERR_NONE;
}

int IMAlLensID(int number, int lens) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlLensID", number, &rc);
  if (!s) return rc;
  s->lens = lens;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtFileID(int number, int* file_id, int* swapped) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtFileID", number, &rc);
  if (!s) return rc;
  if (file_id) *file_id = s->file_id;
  if (s->file_id != IM_FILE_ID && s->file_id != int(int16_t(0xA0C0))) {
    if (swapped) *swapped = 0;
    return IM_ERR_FILE_ID;
  }
  if (swapped) *swapped = s->swapped;
  return IM_ERR_NONE;
}

}  // extern "C"
