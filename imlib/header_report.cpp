// The header report (IMReportInfo) and the region statistics (IMCalcDen).
#include <cstring>

#include "accessor_support.h"

using namespace imlib;

extern "C" {

int IMReportInfo(int number) {
  int rc = IM_ERR_NONE;
  Stream* s = OpenForAccess("IMReportInfo", number, &rc);
  if (!s) return rc;
  PrintOut("\n");
  if (!s->name.empty()) PrintOut("Image Name............................\t%s\n", s->name.c_str());
  PrintOut("Size (X, Y, Z)........................\t%d %d %d\n", s->nx, s->ny, s->nz);
  PrintOut("Size (W, T, P)........................\t%d %d %d\n", s->nw, s->nt, s->np);
  char type_text[35];
  IMRtDataTypeName(s->mode, type_text, sizeof type_text - 1);
  type_text[sizeof type_text - 1] = '\0';
  PrintOut("Data Type.............................\t%s\n", type_text);
  const char* sequence = IMRtSequenceName(s->sequence);
  if (s->sequence == IM_ZTWP) sequence = "Z -> T -> W";
  if (s->sequence == IM_WZTP) sequence = "W -> Z -> T";
  if (s->sequence == IM_ZWTP) sequence = "Z -> W -> T";
  PrintOut("Sequence..............................\t%s\n", sequence);
  PrintOut("Pixel Size (dX, dY, dZ)...............\t%.3f %.3f %.3f\n", double(s->pixel_size[0]),
           double(s->pixel_size[1]), double(s->pixel_size[2]));
  // Every wavelength 0 ... NW - 1 is listed, also beyond the layout's
  // maximum; the record holds values for the first 12 only, the others
  // are reported as 0.
  auto value = [](const float* values, int w) {
    return w < IM_MAX_WAVELENGTHS ? double(values[w]) : 0.0;
  };
  std::string line = "Wavelengths (nm)......................\t";
  for (int w = 0; w < s->nw; ++w) {
    char item[48];
    snprintf(item, sizeof item, "%.2f  ", value(s->wavelength, w));
    line += item;
  }
  PrintOut("%s\n", line.c_str());
  for (int w = 0; w < s->nw; ++w)
    PrintOut("Min, Max, Mean (w=%.1f nm)...........\t%.2f %.2f %.2f\n", value(s->wavelength, w),
             value(s->wave_min, w), value(s->wave_max, w), value(s->wave_mean, w));
  PrintOut("Rotation Angles (alpha, beta, gamma)..\t%.2f %.2f %.2f\n", double(s->tilt[0]),
           double(s->tilt[1]), double(s->tilt[2]));
  PrintOut("Extended Header Size (bytes)..........\t%d\n", s->next);
  PrintOut("Extended Header Type .................\t%d\n", ResolvedExtType(s));
  PrintOut("Image Type............................\t%d\n", s->file_type);
  PrintOut("Lens ID Number........................\t%d\n", s->lens);
  PrintOut("\nTitles................................\n");
  for (int i = 0; i < s->num_titles && i < IM_MAX_TITLES; ++i)
    PrintOut("%.*s\n", IM_TITLE_LENGTH - 1, s->titles[i]);
  PrintOut("\n");
  return IM_ERR_NONE;
}

int IMCalcDen(const float* buffer, int nx, int ny, int x0, int x1, int y0, int y1, float* min,
              float* max, float* mean) {
  if (x1 < x0 || y1 < y0 || x0 < 0 || y0 < 0 || x1 >= nx || y1 >= ny || !buffer) {
    PrintError("IMCalcDen: invalid ROI.\n");
    return IM_ERR_UNSPECIFIED;
  }
  float lo = 1e38f, hi = -1e38f;
  double sum = 0;
  for (int y = y0; y <= y1; ++y) {
    const float* row = buffer + size_t(y) * size_t(nx);
    for (int x = x0; x <= x1; ++x) {
      float v = row[x];
      if (v < lo) lo = v;
      if (v > hi) hi = v;
      sum += v;
    }
  }
  if (min) *min = lo;
  if (max) *max = hi;
  if (mean) *mean = float(sum / (double(x1 - x0 + 1) * double(y1 - y0 + 1)));
  return IM_ERR_NONE;
}

int imcalcden_(const float* buffer, const int* nx, const int* ny, const int* x0, const int* x1,
               const int* y0, const int* y1, float* min, float* max, float* mean) {
  return IMCalcDen(buffer, *nx, *ny, *x0 - 1, *x1 - 1, *y0 - 1, *y1 - 1, min, max, mean);
}

}  // extern "C"
