// Header accessors per wavelength: wavelengths, intensity statistics and
// display scales, and the time stamp of the new layout.
#include <cmath>

#include "accessor_support.h"

using namespace imlib;

namespace {

bool ValidScale(const Stream* s, int w) {
  const float* sc = s->scale[w];
  if (std::fabs(sc[0]) < 0.0001f && std::fabs(sc[1]) < 0.0001f) return false;
  if (!(sc[0] < sc[1])) return false;
  return sc[1] > s->wave_min[w];
}

// Reads a display scale; with 806 or 812 it is the wavelength's range.
int GetScale(const char* call, int number, int w, float out[4]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess(call, number, &rc);
  if (!s) return rc;
  if (s->file_type > 99 && (w < 0 || w >= s->nw || w >= IM_MAX_WAVELENGTHS)) {
    PrintError("%s %d: %d is an invalid wavelength number.\n", call, number, w);
    return IM_ERR_WAVELENGTH;
  }
  if (s->file_type <= 99)
    rc = IM_ERR_DISPLAY_SCALE;
  else if (!ValidScale(s, w))
    rc = IM_ERR_DISPLAY_SCALE_VALUES;
  int ww = w >= 0 && w < IM_MAX_WAVELENGTHS ? w : 0;
  if (rc == IM_ERR_NONE) {
    for (int k = 0; k < 4; ++k) out[k] = s->scale[ww][k];
  } else {
    out[0] = s->wave_min[ww];
    out[1] = s->wave_max[ww];
    out[2] = 1.0f;
    out[3] = 0.0f;
  }
  return rc;
}

int SetScale(const char* call, int number, int w, const float in[4]) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess(call, number, &rc);
  if (!s) return rc;
  if (s->file_type <= 99) return IM_ERR_DISPLAY_SCALE;
  if (w < 0 || w >= s->nw || w >= IM_MAX_WAVELENGTHS) {
    PrintError("%s %d: %d is an invalid wavelength number.\n", call, number, w);
    return IM_ERR_WAVELENGTH;
  }
  for (int k = 0; k < 4; ++k) s->scale[w][k] = in[k];
  PushToWindow(s);
  return IM_ERR_NONE;
}

}  // namespace

extern "C" {

int IMRtWav(int number, int* count, float* waves) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtWav", number, &rc);
  if (!s) return rc;
  if (count) *count = s->nw;
  if (waves)
    for (int w = 0; w < s->nw && w < s->max_waves && w < IM_MAX_WAVELENGTHS; ++w)
      waves[w] = s->wavelength[w];
  return IM_ERR_NONE;
}

int IMRtWav2(int number, int w, float* wave) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtWav2", number, &rc);
  if (!s) return rc;
  if (w < 0 || w >= s->nw || w >= IM_MAX_WAVELENGTHS) {
    PrintError("IMRtWav2 %d: %d is an invalid wavelength number (min=0, max=%d).\n", number, w,
               s->nw - 1);
    return IM_ERR_WAVELENGTH;
  }
  if (wave) *wave = s->wavelength[w];
  return IM_ERR_NONE;
}

int IMAlWav(int number, int count, const float* waves) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlWav", number, &rc);
  if (!s) return rc;
  if (count < 1 || count > s->max_waves) {
    PrintError("IMAlWav %d: %d is an invalid number of wavelengths.\n", number, count);
    return IM_ERR_NUM_WAVELENGTHS;
  }
  s->nw = count;
  int64_t planes = SaturatedProduct(SaturatedProduct(s->nw, s->nt), s->np);
  s->nz = planes < 1 ? s->num_sections : int(s->num_sections / planes);
  if (waves)
    for (int w = 0; w < count; ++w) s->wavelength[w] = waves[w];
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMAlWav2(int number, int w, float wave) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlWav2", number, &rc);
  if (!s) return rc;
  if (w < 0 || w >= s->nw || w >= IM_MAX_WAVELENGTHS) {
    PrintError("IMAlWav2 %d: %d is an invalid wavelength number (min=0, max=%d).\n", number, w,
               s->nw - 1);
    return IM_ERR_WAVELENGTH;
  }
  s->wavelength[w] = wave;
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMRtWavMMM(int number, int w, float* min, float* max, float* mean) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtWavMMM", number, &rc);
  if (!s) return rc;
  if (s->kind == kWindowStream && w > 5) {
    PrintError("IMRtWavMMM %d: %d is an invalid wavelength number.\n", number, w);
    return IM_ERR_WAVELENGTH;
  }
  if (w < 0 || w >= s->max_waves || w >= IM_MAX_WAVELENGTHS) return IM_ERR_WAVELENGTH_TOO_LARGE;
  if (min) *min = s->wave_min[w];
  if (max) *max = s->wave_max[w];
  if (mean) *mean = s->wave_mean[w];
  return w >= s->nw ? IM_ERR_WAVELENGTH : IM_ERR_NONE;
}

int IMRtWavMM(int number, int w, float* min, float* max) {
  return IMRtWavMMM(number, w, min, max, nullptr);
}

int IMAlWavMMM(int number, int w, float min, float max, float mean) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlWavMMM", number, &rc);
  if (!s) return rc;
  if (w < 0 || w >= s->max_waves || w >= IM_MAX_WAVELENGTHS) {
    PrintError("IMAlWavMMM %d: %d is an invalid wavelength number.\n", number, w);
    return IM_ERR_WAVELENGTH_TOO_LARGE;
  }
  s->wave_min[w] = min;
  s->wave_max[w] = max;
  s->wave_mean[w] = mean;
  if (VerboseLevel() != 0)
    PrintOut("IMAlWavMMM %d: w=%d, MMM=%.2f %.2f %.3f\n", number, w, double(min), double(max),
             double(mean));
  PushToWindow(s);
  return w >= s->nw ? IM_ERR_WAVELENGTH : IM_ERR_NONE;
}

int IMAlWavMM(int number, int w, float min, float max) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlWavMMM", number, &rc);
  if (!s) return rc;
  float mean = w >= 0 && w < IM_MAX_WAVELENGTHS ? s->wave_mean[w] : 0.0f;
  return IMAlWavMMM(number, w, min, max, mean);
}

int IMRtScl(int number, int w, float scale[4]) {
  float out[4] = {0, 0, 0, 0};
  int rc = GetScale("IMRtScl", number, w, out);
  if (scale && rc != IM_ERR_INVALID_STREAM && rc != IM_ERR_STREAM_NUMBERING && rc != IM_ERR_WAVELENGTH)
    for (int k = 0; k < 4; ++k) scale[k] = out[k];
  return rc;
}

int IMRtScl2(int number, int w, float* low, float* high, float* gamma, float* fourth) {
  float out[4] = {0, 0, 0, 0};
  int rc = GetScale("IMRtScl2", number, w, out);
  if (rc != IM_ERR_INVALID_STREAM && rc != IM_ERR_STREAM_NUMBERING && rc != IM_ERR_WAVELENGTH) {
    if (low) *low = out[0];
    if (high) *high = out[1];
    if (gamma) *gamma = out[2];
    if (fourth) *fourth = out[3];
  }
  return rc;
}

int IMAlScl(int number, int w, const float scale[4]) {
  if (!scale) return IM_ERR_DISPLAY_SCALE_VALUES;
  return SetScale("IMAlScl", number, w, scale);
}

int IMAlScl2(int number, int w, float low, float high, float gamma, float fourth) {
  const float v[4] = {low, high, gamma, fourth};
  return SetScale("IMAlScl2", number, w, v);
}

int IMRtTimeStamp(int number, double* stamp) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMRtTimeStamp", number, &rc);
  if (!s) return rc;
  if (stamp) *stamp = 0;
  if (s->file_type <= 99) {
    if (VerboseLevel() != 0)
      PrintError("IMRtTimeStamp %d: invalid image type (%d).\n", number, s->file_type);
    return IM_ERR_TIME_STAMP;
  }
  if (s->time_stamp < 0) {
    if (VerboseLevel() != 0)
      PrintError("IMRtTimeStamp %d: invalid time stamp (%.3f).\n", number, s->time_stamp);
    return IM_ERR_TIME_STAMP;
  }
  if (stamp) *stamp = s->time_stamp;
  return IM_ERR_NONE;
}

int IMAlTimeStamp(int number, double stamp) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMAlTimeStamp", number, &rc);
  if (!s) return rc;
  if (s->file_type <= 99) {
    if (VerboseLevel() != 0)
      PrintError("IMAlTimeStamp %d: invalid image type (%d).\n", number, s->file_type);
    return IM_ERR_TIME_STAMP;
  }
  s->time_stamp = stamp < 0 ? 0 : stamp;
  PushToWindow(s);
  return IM_ERR_NONE;
}

}  // extern "C"
