// Creating a header on a stream (IMCrHdr3 and the classic IMCrHdr) and
// copying a whole header from one stream to another (IMTrHdr).
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

namespace {

// The values every new header starts from: new layout, unit cell and
// sampling, right angles, no extended header, no titles.
void ResetHeader(Stream* s) {
  if (!s->header) {
    s->own_header.assign(IM_HEADER_BYTES, 0);
    s->header = s->own_header.data();
  }
  s->file_id = IM_FILE_ID;
  s->swapped = 0;
  s->data_bits = 0;
  s->lens = 0;
  s->aux_int[0] = s->aux_int[1] = 0;
  s->aux_value[0] = s->aux_value[1] = 0;
  s->file_type = 100;
  SetTitleLimits(s);
  s->max_waves = s->kind == kWindowStream ? 5 : 12;
  for (int i = 0; i < 3; ++i) {
    s->start[i] = 0;
    s->origin[i] = 0;
    s->cell[i] = 1;
    s->sampling[i] = 1;
    s->pixel_size[i] = 1;
    s->map[i] = i + 1;
    s->angles[i] = 90;
    s->tilt[i] = 0;
  }
  s->space_group = 0;
  if (s->kind == kFileStream) ReleaseExtHeader(s);
  s->next = 0;
  s->ext_type = 0;
  s->nint = s->nreal = 0;
  s->fields.clear();
  s->field_bytes_used = 1;
  s->header_count = 1;
  s->header_scale = 1.0f;
  for (int w = 0; w < IM_MAX_WAVELENGTHS; ++w) {
    s->wave_min[w] = s->wave_max[w] = s->wave_mean[w] = s->wavelength[w] = 0;
    s->scale[w][0] = s->scale[w][1] = s->scale[w][3] = 0;
    s->scale[w][2] = 1;
  }
  s->wave_max[0] = 1000;
  s->wave_mean[0] = 500;
  s->wavelength[0] = 500;
  s->time_stamp = 0;
  s->num_titles = 0;
  memset(s->titles, 0, sizeof s->titles);
}

}  // namespace

extern "C" {

int IMCrHdr3(int number, int nx, int ny, int nz, int nw, int nt, int np, int sequence,
             int pixel_type) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMCrHdr3", number, &rc);
  if (!s) return rc;
  // Only codes above the tables are refused; a negative sequence or type,
  // type 5 and single non-positive sizes whose product is positive are
  // stored as given (transfers then refuse what they cannot do).
  if (sequence >= 15) return IM_ERR_SEQUENCE;
  if (pixel_type >= 9) return IM_ERR_PIXEL_TYPE;
  if (s->kind == kWindowStream && nw >= 6) {
    nw = 5;
    rc = IM_ERR_TOO_MANY_WAVELENGTHS;
  }
  // The product must also fit the header's 32-bit section count.
  int64_t sections = SaturatedProduct(SaturatedProduct(nt, nz), SaturatedProduct(np, nw));
  if (sections <= 0 || sections > 0x7fffffff) {
    PrintError("IMOpen2 %d: invalid number of sections (%d,%d,%d)\n", number, nz, nw, nt);
    return IM_ERR_NUM_SECTIONS;
  }
  ResetHeader(s);
  s->nx = nx;
  s->ny = ny;
  s->nz = nz;
  s->nw = nw;
  s->nt = nt;
  s->np = np;
  s->sequence = sequence;
  s->num_sections = int(sections);
  s->mode = pixel_type;
  s->bytes_per_pixel = AssumedBytesPerPixel(pixel_type);
  BuildHeader(s);
  PushToWindow(s);
  int ext_rc = IMCrExHdr(number, 4, 3);
  return ext_rc != IM_ERR_NONE ? ext_rc : rc;
}

int IMCrHdr2(int number, int nx, int ny, int nz, int nw, int nt, int sequence, int pixel_type) {
  return IMCrHdr3(number, nx, ny, nz, nw, nt, 1, sequence, pixel_type);
}

int IMCrHdr(int number, const int size[3], const int sampling[3], int pixel_type,
            const char* titles, int count) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMCrHdr", number, &rc);
  if (!s) return rc;
  if (!size || !sampling) return IM_ERR_NUM_SECTIONS;
  ResetHeader(s);
  static const char axes[3] = {'X', 'Y', 'Z'};
  for (int i = 0; i < 3; ++i) {
    float v = float(sampling[i]);
    if (v < 0.001f) {
      PrintError("IMCrHdr %d: %c sampling must be greater than 0.\n", number, axes[i]);
      v = 1;
    }
    s->sampling[i] = v;
    s->pixel_size[i] = 1.0f / v;
  }
  if (BytesPerPixelOf(pixel_type) == 0) {
    PrintError("IMCrHdr %d: %d is an invalid pixel data type.\n", number, pixel_type);
    pixel_type = IM_SHORT;
  }
  s->mode = pixel_type;
  s->bytes_per_pixel = BytesPerPixelOf(pixel_type);
  s->nx = size[0];
  s->ny = size[1];
  s->num_sections = size[2];
  s->nz = size[2];
  s->nw = s->nt = s->np = 1;
  s->sequence = IM_ZTWP;
  rc = IMAlLab(number, titles, titles ? count : 0);
  BuildHeader(s);
  PushToWindow(s);
  return rc;
}

int IMTrHdr(int dest, int src) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMTrHdr", src, &rc);
  if (!s) return rc;
  Stream* d = LookupStream("IMTrHdr", dest, &rc);
  if (!d) return rc;
  if (!s->header) return IM_ERR_NEW_HEADER;
  BuildHeader(s);
  if (!d->header) {
    d->own_header.assign(IM_HEADER_BYTES, 0);
    d->header = d->own_header.data();
  }
  if (d->header != s->header) memcpy(d->header, s->header, IM_HEADER_BYTES);
  int swapped = d->swapped;
  DetectByteOrder(d);
  d->swapped = swapped;
  ParseHeader(d);
  for (int w = 0; w < IM_MAX_WAVELENGTHS; ++w) {
    d->wave_min[w] = s->wave_min[w];
    d->wave_max[w] = s->wave_max[w];
    d->wave_mean[w] = s->wave_mean[w];
  }
  if (s->next > 0) {
    // A source whose extended header could not be read has no buffer: the
    // copy fails before anything of the claimed size is allocated.
    if (!s->ext) {
      PrintError("IMTrHdr %d->%d: ext header buffer %d is NULL.\n", src, dest, src);
      return IM_ERR_NO_EXT_HEADER;
    }
    if (IMAlExHdrInfo(dest, s->ext_type, s->next, s->nint, s->nreal) != IM_ERR_NONE) {
      PrintError("IMTrHdr %d->%d: IMAlExHdrInfo Failed\n", src, dest);
      return IM_ERR_UNSPECIFIED;
    }
    if (!s->ext || !d->ext) {
      PrintError("IMTrHdr %d->%d: ext header buffer %d is NULL.\n", src, dest,
                 !s->ext ? src : dest);
      return IM_ERR_NO_EXT_HEADER;
    }
    int64_t n = s->ext_size < d->ext_size ? s->ext_size : d->ext_size;
    memcpy(d->ext, s->ext, size_t(n));
    if (d->kind == kFileStream) ReadAllFields(d);
  } else {
    if (d->kind == kFileStream) ReleaseExtHeader(d);
    d->next = 0;
    d->ext_type = 0;
    d->fields.clear();
    d->field_bytes_used = 1;
  }
  PushToWindow(d);
  return IM_ERR_NONE;
}

}  // extern "C"
