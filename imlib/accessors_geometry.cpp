// Header accessors for pixel and cell geometry: pixel size, cell, start,
// map axes, origin, tilt and the space group with the extended header size.
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

extern "C" {

int IMRtDel(int number, float pixel_size[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtDel", number, &rc);
  if (!s) return rc;
  if (pixel_size)
    for (int i = 0; i < 3; ++i) pixel_size[i] = s->pixel_size[i];
  return IM_ERR_NONE;
}

int IMAlDel(int number, const float pixel_size[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlDel", number, &rc);
  if (!s) return rc;
  if (!pixel_size) return IM_ERR_PIXEL_SIZE;
  for (int i = 0; i < 3; ++i) {
    // Stored even when invalid: the caller is told, the value is kept.
    if (pixel_size[i] < 1e-30f) {
      PrintError("IMAlDel %d: pixel size must be greater than 0\n", number);
      rc = IM_ERR_PIXEL_SIZE;
    }
    s->pixel_size[i] = pixel_size[i];
    s->cell[i] = pixel_size[i] * s->sampling[i];
  }
  PushToWindow(s);
  return rc;
}

int IMAlDel3(int number, float dx, float dy, float dz) {
  const float v[3] = {dx, dy, dz};
  return IMAlDel(number, v);
}

int IMRtCel(int number, float cell[6]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtCel", number, &rc);
  if (!s) return rc;
  if (cell)
    for (int i = 0; i < 3; ++i) {
      cell[i] = s->cell[i];
      cell[3 + i] = s->angles[i];
    }
  return IM_ERR_NONE;
}

int IMALCel(int number, const float cell[6]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMALCel", number, &rc);
  if (!s) return rc;
  if (!cell) return IM_ERR_NONE;
  for (int i = 0; i < 3; ++i) {
    s->cell[i] = cell[i];
    s->angles[i] = cell[3 + i];
    s->pixel_size[i] = s->cell[i] / s->sampling[i];
  }
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMTrCel(int dest, int src) {
  float cell[6];
  int rc = IMRtCel(src, cell);
  if (rc != IM_ERR_NONE) return rc;
  return IMALCel(dest, cell);
}

int IMRtMst(int number, int start[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtMst", number, &rc);
  if (!s) return rc;
  if (start)
    for (int i = 0; i < 3; ++i) start[i] = s->start[i];
  return IM_ERR_NONE;
}

int IMRtMap(int number, int map[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtMap", number, &rc);
  if (!s) return rc;
  if (map)
    for (int i = 0; i < 3; ++i) map[i] = s->map[i];
  return IM_ERR_NONE;
}

int IMAlMap(int number, const int map[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlMap", number, &rc);
  if (!s) return rc;
  if (map)
    for (int i = 0; i < 3; ++i) s->map[i] = map[i];
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtOrig(int number, float* x, float* y, float* z) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtOrig", number, &rc);
  if (!s) return rc;
  if (x) *x = s->origin[0];
  if (y) *y = s->origin[1];
  if (z) *z = s->origin[2];
  return IM_ERR_NONE;
}

int IMAlOrig(int number, float x, float y, float z) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlOrig", number, &rc);
  if (!s) return rc;
  s->origin[0] = x;
  s->origin[1] = y;
  s->origin[2] = z;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtTlt(int number, float tilt[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtTlt", number, &rc);
  if (!s) return rc;
  if (tilt)
    for (int i = 0; i < 3; ++i) tilt[i] = s->tilt[i];
  return IM_ERR_NONE;
}

int IMAlTlt(int number, const float tilt[3]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlTlt", number, &rc);
  if (!s) return rc;
  if (tilt)
    for (int i = 0; i < 3; ++i) s->tilt[i] = tilt[i];
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtSpg(int number, int* space_group, int* ext_size) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtSpg", number, &rc);
  if (!s) return rc;
  if (space_group) *space_group = s->space_group;
  if (ext_size) *ext_size = s->next;
  return IM_ERR_NONE;
}

int IMAlSpg(int number, int space_group, int ext_size) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlSpg", number, &rc);
  if (!s) return rc;
  s->space_group = space_group;
  if (ext_size < 0 || !ReplaceExtHeader(s, ext_size)) {
    PrintError("IMAlSpg %d: unable to allocate memory for extended header values.\n", number);
    return IM_ERR_ALLOC;
  }
  s->next = ext_size;
  WriteAllFields(s, false);
  PushToWindow(s);
  return IM_ERR_NONE;
}

}  // extern "C"
