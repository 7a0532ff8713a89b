// The 1024-byte main header: byte-order recognition, parsing the header
// image into the stream record, and building the header image from it.
//
// Offsets (bytes): 0 NX, 4 NY, 8 sections, 12 pixel type, 16-24 start XYZ,
// 28-36 sampling XYZ, 40-48 cell XYZ, 52-60 cell angles, 64-72 map axes,
// 76/80/84 min/max/mean of wavelength 0, 88 space group, 92 `next`,
// 96 file ID, 100 extended header type, 128 nint, 130 nreal, 132 count,
// 134 scale, 136-159 min/max of wavelengths 1-3, 160 file type, 162 lens,
// 164/166 auxiliary integers, 168/170 auxiliary values x100, 172/176
// min/max of wavelength 4, 180 NT (16 bit), 182 sequence, 184-192 tilt,
// 196 NW, 198-206 wavelengths 0-4, 208-216 origin ZXY, 222 title count,
// 224 titles. New layout (file type > 99) only: 544/588/632/676 min, max,
// mean, wavelength of wavelengths 5-11, 700 display scales, 844 time stamp,
// 852 NT (32 bit), 856 data bits, 864 means of wavelengths 1-4, 880 NP.
//
// Bytes the layout does not name are left as they are in the header image.
#include <cmath>
#include <cstring>
#include <unistd.h>

#include "stream.h"

namespace imlib {

static_assert(sizeof(float) == 4 && sizeof(double) == 8, "IEEE sizes");

namespace {

constexpr int kOffNX = 0, kOffNY = 4, kOffSections = 8, kOffMode = 12, kOffStart = 16,
              kOffSampling = 28, kOffCell = 40, kOffAngles = 52, kOffMap = 64,
              kOffMin0 = 76, kOffMax0 = 80, kOffMean0 = 84, kOffSpaceGroup = 88,
              kOffNext = 92, kOffFileID = 96, kOffExtType = 100, kOffNint = 128,
              kOffNreal = 130, kOffCount = 132, kOffScale = 134, kOffFileType = 160,
              kOffLens = 162, kOffAuxInt = 164, kOffAuxValue = 168, kOffNT = 180,
              kOffSequence = 182, kOffTilt = 184, kOffNW = 196, kOffWave0 = 198,
              kOffOriginZ = 208, kOffOriginX = 212, kOffOriginY = 216,
              kOffNumTitles = 222, kOffTitles = 224, kOffMin5 = 544, kOffMax5 = 588,
              kOffMean5 = 632, kOffWave5 = 676, kOffDisplayScale = 700,
              kOffTimeStamp = 844, kOffNT32 = 852, kOffDataBits = 856, kOffMean1 = 864,
              kOffNP = 880;

// Minimum and maximum of wavelengths 0-4 (the old layout's places).
constexpr int kOffMinOld[5] = {76, 136, 144, 152, 172};
constexpr int kOffMaxOld[5] = {80, 140, 148, 156, 176};

template <typename T>
T Get(const uint8_t* h, int offset) {
  T v;
  memcpy(&v, h + offset, sizeof v);
  return v;
}

template <typename T>
void Put(uint8_t* h, int offset, T v) {
  memcpy(h + offset, &v, sizeof v);
}

constexpr uint16_t kIdHost = 0xC0A0;
constexpr uint16_t kIdSwapped = 0xA0C0;

int MinOffset(int w) { return w < 5 ? kOffMinOld[w] : kOffMin5 + 4 * (w - 5); }
int MaxOffset(int w) { return w < 5 ? kOffMaxOld[w] : kOffMax5 + 4 * (w - 5); }
int MeanOffset(int w) { return w == 0 ? kOffMean0 : w < 5 ? kOffMean1 + 4 * (w - 1) : kOffMean5 + 4 * (w - 5); }
int WaveOffset(int w) { return w < 5 ? kOffWave0 + 2 * w : kOffWave5 + 2 * (w - 5); }

// Reverses the numeric fields of a foreign-order header in place.
void ReverseHeader(uint8_t* h) {
  static const int k4[][2] = {{0, 96}, {136, 160}, {172, 180}, {184, 196}, {208, 220}};
  for (auto& r : k4)
    for (int o = r[0]; o < r[1]; o += 4) Reverse4(h + o);
  static const int k2[] = {96,  98,  100, 128, 130, 132, 134, 160, 162, 164, 166,
                           168, 170, 180, 182, 196, 198, 200, 202, 204, 206, 222};
  for (int o : k2) Reverse2(h + o);
  // The new-layout block is numeric too; reversing it lets a foreign file of
  // file type > 99 read back the values its writer stored. In the old layout
  // these bytes are title text and stay as they are.
  if (Get<int16_t>(h, kOffFileType) > 99) {
    for (int o = kOffMin5; o < kOffWave5; o += 4) Reverse4(h + o);
    for (int o = kOffWave5; o < kOffWave5 + 14; o += 2) Reverse2(h + o);
    for (int o = kOffDisplayScale; o < kOffTimeStamp; o += 4) Reverse4(h + o);
    Reverse8(h + kOffTimeStamp);
    Reverse4(h + kOffNT32);
    for (int o = kOffMean1; o < kOffNP + 4; o += 4) Reverse4(h + o);
  }
}

}  // namespace

void Reverse2(void* p) {
  uint8_t* b = static_cast<uint8_t*>(p);
  std::swap(b[0], b[1]);
}

void Reverse4(void* p) {
  uint8_t* b = static_cast<uint8_t*>(p);
  std::swap(b[0], b[3]);
  std::swap(b[1], b[2]);
}

void Reverse8(void* p) {
  uint8_t* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) std::swap(b[i], b[7 - i]);
}

void DetectByteOrder(Stream* s) {
  uint8_t* h = s->header;
  uint16_t id = Get<uint16_t>(h, kOffFileID);
  if (id == kIdHost) {
    s->file_id = IM_FILE_ID;
  } else if (id == kIdSwapped) {
    ReverseHeader(h);
    s->file_id = IM_FILE_ID;
    s->swapped = 1;
  } else {
    s->file_id = int16_t(id);
    PrintError("[%d] IMSubs %d: warning, unrecognized file ID (%d).\n", int(getpid()),
               s->number, int(int16_t(id)));
  }
}

void SetTitleLimits(Stream* s) {
  if (s->file_type <= 99) {
    s->max_titles = 10;
    s->max_waves = 5;
  } else {
    s->max_titles = 4;
    s->max_waves = 12;
  }
  if (s->kind == kWindowStream && s->max_titles > 5) s->max_titles = 5;
}

void ParseHeader(Stream* s) {
  uint8_t* h = s->header;
  s->file_type = Get<int16_t>(h, kOffFileType);
  s->nx = Get<int32_t>(h, kOffNX);
  s->ny = Get<int32_t>(h, kOffNY);
  s->num_sections = Get<int32_t>(h, kOffSections);

  s->nw = Get<uint16_t>(h, kOffNW);
  if (s->nw == 0) {
    PrintError("IMSubs: number of wavelengths must be > 0.\n");
    s->nw = 1;
  }
  s->nt = Get<uint16_t>(h, kOffNT);
  if (s->nt == 0) {
    PrintError("IMSubs: number of time-points must be > 0.\n");
    s->nt = 1;
  }
  s->np = 1;
  if (s->file_type > 99) {
    s->np = Get<int32_t>(h, kOffNP);
    if (s->np <= 0) s->np = 1;
    int32_t nt32 = Get<int32_t>(h, kOffNT32);
    if (nt32 > s->nt) s->nt = nt32;
  }
  int64_t planes = SaturatedProduct(SaturatedProduct(s->nt, s->nw), s->np);
  s->nz = int(s->num_sections / planes);

  for (int i = 0; i < 3; ++i) {
    s->start[i] = Get<int32_t>(h, kOffStart + 4 * i);
    int32_t sampling = Get<int32_t>(h, kOffSampling + 4 * i);
    if (sampling < 1) {
      sampling = 1;
      Put<int32_t>(h, kOffSampling + 4 * i, sampling);
    }
    s->sampling[i] = float(sampling);
  }
  s->sequence = Get<int16_t>(h, kOffSequence);
  s->mode = Get<int32_t>(h, kOffMode);
  if (BytesPerPixelOf(s->mode) == 0)
    PrintError("IMSubs: internal error involving the number of bytes per pixel.\n");
  s->bytes_per_pixel = AssumedBytesPerPixel(s->mode);

  s->lens = Get<uint16_t>(h, kOffLens);
  s->aux_int[0] = Get<int16_t>(h, kOffAuxInt);
  s->aux_int[1] = Get<int16_t>(h, kOffAuxInt + 2);
  s->aux_value[0] = float(Get<int16_t>(h, kOffAuxValue) * 0.01);
  s->aux_value[1] = float(Get<int16_t>(h, kOffAuxValue + 2) * 0.01);

  SetTitleLimits(s);

  for (int i = 0; i < 3; ++i) {
    s->map[i] = Get<int32_t>(h, kOffMap + 4 * i);
    s->cell[i] = Get<float>(h, kOffCell + 4 * i);
    s->pixel_size[i] = s->cell[i] / s->sampling[i];
    s->angles[i] = Get<float>(h, kOffAngles + 4 * i);
  }
  s->origin[0] = Get<float>(h, kOffOriginX);
  s->origin[1] = Get<float>(h, kOffOriginY);
  s->origin[2] = Get<float>(h, kOffOriginZ);
  s->space_group = Get<int32_t>(h, kOffSpaceGroup);
  s->next = Get<int32_t>(h, kOffNext);
  s->ext_type = Get<uint16_t>(h, kOffExtType);
  s->nint = Get<int16_t>(h, kOffNint);
  s->nreal = Get<int16_t>(h, kOffNreal);
  s->header_count = Get<int16_t>(h, kOffCount);
  s->header_scale = Get<int16_t>(h, kOffScale);

  for (int w = 0; w < IM_MAX_WAVELENGTHS; ++w) {
    if (w < s->max_waves) {
      s->wave_min[w] = Get<float>(h, MinOffset(w));
      s->wave_max[w] = Get<float>(h, MaxOffset(w));
      s->wave_mean[w] = Get<float>(h, MeanOffset(w));
      s->wavelength[w] = Get<int16_t>(h, WaveOffset(w));
    } else {
      s->wave_min[w] = s->wave_max[w] = s->wave_mean[w] = s->wavelength[w] = 0;
    }
    for (int k = 0; k < 4; ++k) s->scale[w][k] = 0;
    if (s->file_type > 99 && w < s->max_waves)
      for (int k = 0; k < 3; ++k) s->scale[w][k] = Get<float>(h, kOffDisplayScale + 12 * w + 4 * k);
  }

  s->time_stamp = 0;
  s->data_bits = 0;
  if (s->file_type > 99) {
    double stamp = Get<double>(h, kOffTimeStamp);
    s->time_stamp = stamp > 0 ? stamp : 0;
    s->data_bits = h[kOffDataBits];
  }
  for (int i = 0; i < 3; ++i) s->tilt[i] = Get<float>(h, kOffTilt + 4 * i);

  int count = Get<int16_t>(h, kOffNumTitles);
  if (count > s->max_titles) count = s->max_titles;
  if (count < 0) count = 0;
  s->num_titles = count;
  memset(s->titles, 0, sizeof s->titles);
  for (int i = 0; i < count; ++i)
    memcpy(s->titles[i], h + kOffTitles + IM_TITLE_LENGTH * i, IM_TITLE_LENGTH - 1);
}

void BuildHeader(Stream* s) {
  uint8_t* h = s->header;
  if (s->np < 1) s->np = 1;
  Put<int16_t>(h, kOffFileID, int16_t(IM_FILE_ID));
  Put<int32_t>(h, kOffNX, s->nx);
  Put<int32_t>(h, kOffNY, s->ny);
  Put<int32_t>(h, kOffSections, s->num_sections);
  Put<uint16_t>(h, kOffNW, uint16_t(s->nw));
  if (s->nt >= 65535) {
    Put<uint16_t>(h, kOffNT, 65535);
    if (s->file_type <= 99)
      Put<int32_t>(h, kOffSections,
                   int32_t(uint32_t(uint64_t(int64_t(s->nz)) * uint64_t(int64_t(s->nw)) * 65535u)));
  } else {
    Put<uint16_t>(h, kOffNT, uint16_t(s->nt));
  }
  Put<int32_t>(h, kOffMode, s->mode);
  for (int i = 0; i < 3; ++i) {
    Put<int32_t>(h, kOffStart + 4 * i, s->start[i]);
    Put<int32_t>(h, kOffSampling + 4 * i, RoundHalfUp(s->sampling[i]));
    Put<float>(h, kOffCell + 4 * i, s->cell[i]);
    Put<float>(h, kOffAngles + 4 * i, s->angles[i]);
    Put<int32_t>(h, kOffMap + 4 * i, s->map[i]);
    Put<float>(h, kOffTilt + 4 * i, s->tilt[i]);
  }
  Put<int32_t>(h, kOffSpaceGroup, s->space_group);
  Put<int32_t>(h, kOffNext, s->next);
  Put<uint16_t>(h, kOffExtType, uint16_t(s->ext_type));
  Put<int16_t>(h, kOffNint, int16_t(s->nint));
  Put<int16_t>(h, kOffNreal, int16_t(s->nreal));
  Put<int16_t>(h, kOffCount, int16_t(s->header_count));
  Put<int16_t>(h, kOffScale, int16_t(RoundHalfUp(s->header_scale)));
  Put<int16_t>(h, kOffFileType, int16_t(s->file_type));
  Put<uint16_t>(h, kOffLens, uint16_t(s->lens));
  Put<int16_t>(h, kOffAuxInt, int16_t(s->aux_int[0]));
  Put<int16_t>(h, kOffAuxInt + 2, int16_t(s->aux_int[1]));
  for (int i = 0; i < 2; ++i) {
    double v = double(s->aux_value[i]) * 100.0;
    // 16-bit truncation of value x 100; out-of-range values wrap like the
    // 16-bit store they go to.
    int64_t whole = std::isfinite(v) && std::fabs(v) < 9.0e18 ? int64_t(v) : 0;
    Put<int16_t>(h, kOffAuxValue + 2 * i, int16_t(uint16_t(uint64_t(whole) & 0xFFFF)));
  }
  Put<int16_t>(h, kOffSequence, int16_t(s->sequence));
  Put<float>(h, kOffOriginX, s->origin[0]);
  Put<float>(h, kOffOriginY, s->origin[1]);
  Put<float>(h, kOffOriginZ, s->origin[2]);

  for (int w = 0; w < s->max_waves && w < IM_MAX_WAVELENGTHS; ++w) {
    Put<float>(h, MinOffset(w), s->wave_min[w]);
    Put<float>(h, MaxOffset(w), s->wave_max[w]);
    Put<float>(h, MeanOffset(w), s->wave_mean[w]);
    float wl = s->wavelength[w];
    long rounded = std::isfinite(wl) && std::fabs(wl) < 1e9f ? std::lround(wl) : 0;
    Put<int16_t>(h, WaveOffset(w), int16_t(rounded));
  }
  if (s->file_type > 99) {
    for (int w = 0; w < IM_MAX_WAVELENGTHS; ++w)
      for (int k = 0; k < 3; ++k)
        Put<float>(h, kOffDisplayScale + 12 * w + 4 * k, w < s->nw ? s->scale[w][k] : 0.0f);
    Put<double>(h, kOffTimeStamp, s->time_stamp < 0 ? 0.0 : s->time_stamp);
    h[kOffDataBits] = uint8_t(s->data_bits);
    Put<int32_t>(h, kOffNP, s->np);
  }
  Put<int32_t>(h, kOffNT32, s->nt);

  int title_bytes = s->max_titles * IM_TITLE_LENGTH;
  if (kOffTitles + title_bytes > IM_HEADER_BYTES) title_bytes = IM_HEADER_BYTES - kOffTitles;
  memset(h + kOffTitles, 0, size_t(title_bytes));
  int count = s->num_titles < s->max_titles ? s->num_titles : s->max_titles;
  for (int i = 0; i < count; ++i) {
    size_t n = strnlen(s->titles[i], IM_TITLE_LENGTH - 1);
    memcpy(h + kOffTitles + IM_TITLE_LENGTH * i, s->titles[i], n);
  }
  Put<int16_t>(h, kOffNumTitles, int16_t(s->num_titles));
}

}  // namespace imlib
