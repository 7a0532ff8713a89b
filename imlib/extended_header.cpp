// The extended header: its types, per-section integers and floats, the
// value index of single values, and creating, resizing and copying it.
//
// Layout: for each section s, nint 4-byte integers then nreal 4-byte floats
// at byte 4*s*(nint+nreal); after this section block comes the field area
// (field_store.cpp). Every access is bounds-checked against the buffer,
// whatever the header's counts claim.
#include <unistd.h>

#include <cstring>
#include <new>
#include <vector>

#include "stream.h"

namespace imlib {

namespace {

struct TypeCounts {
  int nint;   // integers per section
  int nreal;  // floats per section
};

constexpr TypeCounts kTypeCounts[5] = {{0, 0}, {1, 1}, {0, 2}, {8, 32}, {8, 32}};

// Bytes an extended header must hold for the ZWTP forms: 4(z+1)(w+1)(t+1)(p+1).
int64_t ZwtpBytes(int z, int w, int t, int p) {
  int64_t r = 4;
  for (int v : {z, w, t, p}) r = SaturatedProduct(r, int64_t(v) + 1);
  return r;
}

int64_t Stride(const Stream* s) { return 4 * (int64_t(s->nint) + s->nreal); }

// Reads a section's values into vectors of at least min_count entries.
bool LoadSectionValues(const Stream* s, int64_t section, std::vector<int32_t>* ints,
                       std::vector<float>* floats) {
  int64_t offset = section * Stride(s);
  if (s->nint < 0 || s->nreal < 0 || offset < 0 || offset + Stride(s) > s->ext_size) return false;
  for (int i = 0; i < s->nint; ++i) memcpy(&(*ints)[size_t(i)], s->ext + offset + 4 * i, 4);
  for (int i = 0; i < s->nreal; ++i)
    memcpy(&(*floats)[size_t(i)], s->ext + offset + 4 * (int64_t(s->nint) + i), 4);
  return true;
}

void StoreSectionValues(Stream* s, int64_t section, const int* ints, const float* floats) {
  int64_t offset = section * Stride(s);
  if (ints)
    for (int i = 0; i < s->nint; ++i) memcpy(s->ext + offset + 4 * i, &ints[i], 4);
  if (floats)
    for (int i = 0; i < s->nreal; ++i)
      memcpy(s->ext + offset + 4 * (int64_t(s->nint) + i), &floats[i], 4);
}

// A section's coordinates z, w, t, p.
struct Coordinates {
  int64_t z, w, t, p;
};

// The section of coordinates in a stream's sizes and order; -1 when they
// lie outside its sizes (such a section does not exist there).
int64_t SectionAt(const Stream* s, const Coordinates& c) {
  if (c.z < 0 || c.z >= s->nz || c.w < 0 || c.w >= s->nw || c.t < 0 || c.t >= s->nt ||
      c.p < 0 || c.p >= s->np)
    return -1;
  return SectionOf(s->sequence, s->nz, s->nw, s->nt, s->np, int(c.z), int(c.w), int(c.t),
                   int(c.p));
}

// Copies one section's values (same counts on both sides) between streams
// when both sections exist and lie within their extended headers.
void CopySectionValues(const Stream* src, const Coordinates& from, Stream* dst,
                       const Coordinates& to) {
  int64_t src_section = SectionAt(src, from), dst_section = SectionAt(dst, to);
  if (src_section < 0 || dst_section < 0) return;
  int64_t stride = Stride(src);
  int64_t src_at = src_section * stride, dst_at = dst_section * stride;
  if (src_at + stride > src->ext_size || dst_at + stride > dst->ext_size) return;
  memcpy(dst->ext + dst_at, src->ext + src_at, size_t(stride));
}

// Where a value index points: 'i' or 'f' and the element; 0 when invalid.
char ValueSlot(int type, int index, int* element) {
  switch (type) {
    case 1:
      if (index == 0) return *element = 0, 'i';
      if (index == 1) return *element = 0, 'f';
      return 0;
    case 2:
      if (index == 0 || index == 1) return *element = index, 'f';
      return 0;
    case 3:
      if (index >= 0 && index <= 15) return *element = index, 'f';
      return 0;
    case 4:
      if (index >= 0 && index <= 20) return *element = index, 'f';
      if (index >= 1000 && index <= 1004) return *element = index - 1000, 'i';
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int ResolvedExtType(const Stream* s) {
  if (s->ext_type != 0) return s->ext_type;
  int ft = s->file_type;
  if (ft != 0 && ft != 1 && ft != 3 && ft != 100) return 0;
  if (s->nint == 1 && s->nreal == 1) return 1;
  if (s->nint == 0 && s->nreal == 2) return 2;
  if (s->nint == 8 && s->nreal == 32) {
    float f15 = 0;
    if (s->ext && s->ext_size >= 4 * (8 + 16)) memcpy(&f15, s->ext + 4 * (8 + 15), 4);
    return (f15 > 1e-5f || f15 < -1e-5f) ? 4 : 3;
  }
  return 0;
}

bool ReplaceExtHeader(Stream* s, int64_t size) {
  if (size < 0 || size > kMaxExtHeaderBytes) return false;
  if (s->kind == kWindowStream) {
    void* fresh = size > 0 ? IWWinAllocExtHeader(s->window, size) : nullptr;
    if (size > 0 && !fresh) return false;
    if (s->ext && s->window_image && s->ext == s->window_image->ext_header)
      IWWinFreeExtHeader(s->window, s->ext);
    s->ext = static_cast<uint8_t*>(fresh);
    s->ext_size = size;
    if (s->window_image) {
      s->window_image->ext_header = fresh;
      s->window_image->ext_header_size = int32_t(size);
    }
    return true;
  }
  try {
    std::vector<uint8_t> fresh(size_t(size), 0);
    s->own_ext.swap(fresh);
  } catch (const std::bad_alloc&) {
    return false;
  }
  s->ext = size > 0 ? s->own_ext.data() : nullptr;
  s->ext_size = size;
  return true;
}

void ReleaseExtHeader(Stream* s) {
  if (s->kind == kFileStream) {
    std::vector<uint8_t>().swap(s->own_ext);
  }
  s->ext = nullptr;
  s->ext_size = 0;
}

}  // namespace imlib

using namespace imlib;

extern "C" {

int IMRtExHdr(int number, int section, int* ints, float* floats) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtExHdr", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  if (!s->ext || s->ext_size < 4 * int64_t(section) + 4) return IM_ERR_EXT_TOO_SMALL;
  if (section < 0 || section >= s->num_sections) {
    PrintError("IMRtExHdr %d: invalid section number.\n", number);
    return IM_ERR_EXT_SECTION;
  }
  if ((int64_t(section) + 1) * Stride(s) > s->ext_size || s->nint < 0 || s->nreal < 0)
    return IM_ERR_EXT_TOO_SMALL;
  int64_t offset = section * Stride(s);
  if (ints) memcpy(ints, s->ext + offset, 4 * size_t(s->nint));
  if (floats) memcpy(floats, s->ext + offset + 4 * int64_t(s->nint), 4 * size_t(s->nreal));
  return IM_ERR_NONE;
}

int IMAlExHdr(int number, int section, const int* ints, const float* floats) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlExHdr", number, &rc);
  if (!s) return rc;
  if (section < 0 || !s->ext || s->ext_size < 4 * (int64_t(section) + 1) * (int64_t(s->nint) + s->nreal)) {
    PrintError(
        "IMAlExHdr iStream %d: invalid section number (%d). Extended header is too small (%d "
        "bytes).\n",
        number, section, int(s->ext_size));
    return IM_ERR_EXT_TOO_SMALL;
  }
  if (s->nint < 0 || s->nreal < 0 || (int64_t(section) + 1) * Stride(s) > s->ext_size) {
    PrintError("IMAlExHdr %d: extended header overrun.\n", number);
    return IM_ERR_EXT_OVERRUN;
  }
  StoreSectionValues(s, section, ints, floats);
  return IM_ERR_NONE;
}

namespace {

// Shared checks of the ZWTP forms; the section or a code.
int ZwtpSection(const char* call, Stream* s, int z, int w, int t, int p, int* section) {
  int64_t need = ZwtpBytes(z, w, t, p);
  if (!s->ext || s->ext_size < need) return IM_ERR_EXT_TOO_SMALL;
  (void)call;
  return IMRtSecNum2(s->number, z, w, t, p, section);
}

}  // namespace

int IMRtExHdrZWTP(int number, int z, int w, int t, int p, int* ints, float* floats) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtExHdrZWTP", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int section = 0;
  if ((rc = ZwtpSection("IMRtExHdrZWTP", s, z, w, t, p, &section)) != IM_ERR_NONE) return rc;
  if (s->nint < 0 || s->nreal < 0 || (int64_t(section) + 1) * Stride(s) > s->ext_size) {
    PrintError("IMRtExHdrZWTP %d: extended header overrun.\n", number);
    return IM_ERR_EXT_OVERRUN;
  }
  int64_t offset = section * Stride(s);
  if (ints) memcpy(ints, s->ext + offset, 4 * size_t(s->nint));
  if (floats) memcpy(floats, s->ext + offset + 4 * int64_t(s->nint), 4 * size_t(s->nreal));
  return IM_ERR_NONE;
}

int IMAlExHdrZWTP(int number, int z, int w, int t, int p, const int* ints, const float* floats) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlExHdrZWTP", number, &rc);
  if (!s) return rc;
  int section = 0;
  if ((rc = ZwtpSection("IMAlExHdrZWTP", s, z, w, t, p, &section)) != IM_ERR_NONE) return rc;
  if (s->nint < 0 || s->nreal < 0 || (int64_t(section) + 1) * Stride(s) > s->ext_size) {
    PrintError("IMAlExHdrZWTP %d: extended header overrun. ZWTP=%d %d %d %d\n", number, z, w, t,
               p);
    return IM_ERR_EXT_OVERRUN;
  }
  StoreSectionValues(s, section, ints, floats);
  return IM_ERR_NONE;
}

int IMRtExHdrValueZWTP(int number, int z, int w, int t, int p, int index, double* value) {
  int rc = IM_ERR_NONE;
  if (value) *value = 0;
  Stream* s = LookupStream("IMRtExHdrValueZWTP", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int64_t need = ZwtpBytes(z, w, t, p);
  if (!s->ext || s->ext_size < need) return IM_ERR_EXT_TOO_SMALL;
  int type = ResolvedExtType(s);
  // Work buffers hold at least 4 entries and every element an index can name.
  std::vector<int32_t> ints(size_t(s->nint > 4 ? s->nint : 4) + 8, 0);
  std::vector<float> floats(size_t(s->nreal > 21 ? s->nreal : 21) + 4, 0);
  int section = 0;
  if ((rc = IMRtSecNum2(number, z, w, t, p, &section)) != IM_ERR_NONE) return rc;
  if (!LoadSectionValues(s, section, &ints, &floats)) {
    PrintError("IMRtExHdrZWTP %d: extended header overrun.\n", number);
    return IM_ERR_EXT_OVERRUN;
  }
  if (type < 1 || type > 4) return 1;
  int element = 0;
  char slot = ValueSlot(type, index, &element);
  if (slot == 'i') {
    if (value) *value = double(ints[size_t(element)]) + (type == 4 ? 1e-10 : 0.0);
  } else if (slot == 'f') {
    if (value) *value = double(floats[size_t(element)]);
  } else {
    return IM_ERR_EXT_FIELD;
  }
  return IM_ERR_NONE;
}

int IMRtExHdrValueZWT(int number, int z, int w, int t, int index, double* value) {
  return IMRtExHdrValueZWTP(number, z, w, t, 0, index, value);
}

int IMAlExHdrValueZWTP(int number, int z, int w, int t, int p, int index, double value) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlExHdrValueZWTP", number, &rc);
  if (!s) return rc;
  int64_t need = ZwtpBytes(z, w, t, p);
  if (!s->ext || s->ext_size < need) return IM_ERR_EXT_TOO_SMALL;
  int type = ResolvedExtType(s);
  if (type < 1 || type > 4) return 1;
  int element = 0;
  char slot = ValueSlot(type, index, &element);
  if (!slot) return IM_ERR_EXT_FIELD;
  int section = 0;
  if ((rc = IMRtSecNum2(number, z, w, t, p, &section)) != IM_ERR_NONE) return rc;
  int64_t offset = section * Stride(s);
  int64_t at = slot == 'i' ? offset + 4 * int64_t(element)
                           : offset + 4 * (int64_t(s->nint) + element);
  bool inside = slot == 'i' ? element < s->nint : element < s->nreal;
  if (!inside || at < 0 || at + 4 > s->ext_size) {
    PrintError("IMAlExHdrZWTP %d: extended header overrun. ZWTP=%d %d %d %d\n", number, z, w, t,
               p);
    return IM_ERR_EXT_OVERRUN;
  }
  if (slot == 'i') {
    double r = value < -2147483648.0 ? -2147483648.0 : value > 2147483647.0 ? 2147483647.0 : value;
    int32_t v = value == value ? int32_t(r) : 0;
    memcpy(s->ext + at, &v, 4);
  } else {
    float v = float(value);
    memcpy(s->ext + at, &v, 4);
  }
  return IM_ERR_NONE;
}

int IMRtExHdrType(int number, int* type) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtExHdrType", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  if (type) *type = ResolvedExtType(s);
  return IM_ERR_NONE;
}

int IMRtExHdrInfo(int number, int* type, int* size, int* nint, int* nreal) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtExHdrInfo", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  if (type) *type = ResolvedExtType(s);
  if (size) *size = s->next;
  if (nint) *nint = s->nint;
  if (nreal) *nreal = s->nreal;
  return IM_ERR_NONE;
}

int IMRtExHdrSize(int number, int* nint, int* nreal) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMRtExHdrSize", number, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  if (!s->ext || s->next < 1) {
    if (nint) *nint = 0;
    if (nreal) *nreal = 0;
    return IM_ERR_EXT_TOO_SMALL;
  }
  if (nint) *nint = s->nint;
  if (nreal) *nreal = s->nreal;
  return IM_ERR_NONE;
}

int IMAlExHdrInfo(int number, int type, int size, int nint, int nreal) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlExHdrInfo", number, &rc);
  if (!s) return rc;
  if (type > 4) {
    PrintError("IMAlExHdrInfo %d: %d is an invalid ext header type. Switching to %d.\n", number,
               type, 4);
    type = 4;
  }
  if (type < 0) type = 4;
  if (size < 0) size = 0;
  if (!ReplaceExtHeader(s, size)) {
    PrintError("IMAlExHdrInfo %d: unable to allocate memory for extended header values.\n",
               number);
    return IM_ERR_ALLOC;
  }
  s->ext_type = type;
  s->next = size;
  s->nint = nint;
  s->nreal = nreal;
  WriteAllFields(s, false);
  PushToWindow(s);
  return IM_ERR_NONE;
}

int IMAlExHdrSize2(int number, int nint, int nreal, int sections, int field_blocks) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMAlExHdrSize2", number, &rc);
  if (!s) return rc;
  s->nint = nint;
  s->nreal = nreal;
  if (sections < s->num_sections) {
    PrintError(
        "IMAlExHdrSize2 %d: requested number of sections is less than current image size (%d < %d).\n",
        number, sections, s->num_sections);
    sections = s->num_sections;
  }
  if (field_blocks < 0) field_blocks = 0;
  int64_t block = 4 * (int64_t(nint) + nreal) * (sections > 1 ? sections : 1);
  if (block < 0) block = 0;
  int64_t size = ((block + 1023) / 1024 + field_blocks) * 1024;
  if (size > kMaxExtHeaderBytes || !ReplaceExtHeader(s, size)) {
    PrintError("IMAlExHdrSize2 %d: extended header memory allocation error.\n", number);
    return IM_ERR_ALLOC;
  }
  s->next = int(size);
  WriteAllFields(s, false);  // the store's fields move into the new field area
  PushToWindow(s);
  return IMPosn(number, 0, 0);
}

int IMCrExHdr(int number, int type, int field_blocks) {
  int rc = IM_ERR_NONE;
  Stream* s = LookupStream("IMCrExHdr", number, &rc);
  if (!s) return rc;
  if (s->num_sections <= 0) {
    PrintError("IMCrExHdr %d: invalid number of image sections (%d)...\n", number,
               s->num_sections);
    return IM_ERR_NUM_SECTIONS;
  }
  if (field_blocks < 0) {
    if (field_blocks != -1)
      PrintError("IMCrExHdr %d: invalid number of field blocks (%d). Setting to %d...\n", number,
                 field_blocks, 4);
    field_blocks = 4;
  }
  if (type < 1) type = 4;
  if (type > 4) {
    PrintError("IMCrExHdr %d: invalid ext header type (%d).\n", number, type);
    return IM_ERR_EXT_TYPE;
  }
  rc = IMAlExHdrSize2(number, kTypeCounts[type].nint, kTypeCounts[type].nreal, s->num_sections,
                      field_blocks);
  if (rc == IM_ERR_NONE) {
    s->ext_type = type;
    PushToWindow(s);
  }
  return rc;
}

int IMTrExHdr(int dest, int src, int dest_section, int src_section) {
  int rc = IM_ERR_NONE;
  Stream* d = LookupStream("IMTrExHdr", dest, &rc);
  if (!d) return rc;
  Stream* s = LookupStream("IMTrExHdr", src, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int dtype = ResolvedExtType(d), stype = ResolvedExtType(s);
  if (dtype != stype) {
    PrintError("IMTrExHdr %d->%d: extended header type mismatch (%d/%d)\n", dest, src, dtype,
               stype);
    return IM_ERR_EXT_TYPE_MISMATCH;
  }
  if (s->ext_size < 4 * int64_t(src_section) + 4 || d->ext_size < 4 * int64_t(dest_section) + 4) {
    PrintError("IMTrExHdr %d->%d: extended header size (%d, %d) is too small.\n", dest, src,
               int(d->ext_size), int(s->ext_size));
    return IM_ERR_EXT_TOO_SMALL;
  }
  std::vector<int> ints;
  std::vector<float> floats;
  try {
    ints.assign(size_t(s->nint > 0 ? s->nint : 0) + 1, 0);
    floats.assign(size_t(s->nreal > 0 ? s->nreal : 0) + 1, 0);
  } catch (const std::bad_alloc&) {
    PrintError("IMTrExHdr %d->%d: unable to allocate memory for extended header values.\n", dest,
               src);
    return IM_ERR_ALLOC;
  }
  if ((rc = IMRtExHdr(src, src_section, ints.data(), floats.data())) != IM_ERR_NONE) return rc;
  if (d->nint != s->nint || d->nreal != s->nreal) return IM_ERR_EXT_TYPE_MISMATCH;
  return IMAlExHdr(dest, dest_section, ints.data(), floats.data());
}

int IMTrExHdr4(int dest, int src, int z0, int z1, int zstep, const int* wave_flags,
               int num_waves, int t0, int t1, int tstep, int p0, int p1) {
  int rc = IM_ERR_NONE;
  Stream* d = LookupStream("IMTrExHdr4", dest, &rc);
  if (!d) return rc;
  Stream* s = LookupStream("IMTrExHdr4", src, &rc);
  if (!s) return rc;
  RefreshFromWindow(s);
  int stype = ResolvedExtType(s), dtype = ResolvedExtType(d);
  if (stype != dtype) {
    PrintError("IMTrExHdr4 %d->%d: extended header type mismatch (%d/%d)\n", src, dest, stype,
               dtype);
    return IM_ERR_EXT_TYPE_MISMATCH;
  }
  if (s->next <= 0 || !s->ext || (s->nint <= 0 && s->nreal <= 0)) return IM_ERR_NONE;
  if (zstep < 1) {
    PrintError("IMTrExHdr4: Z section increment must be greater than 0. Fixed.\n");
    zstep = 1;
  }
  if (tstep < 1) {
    PrintError("IMTrExHdr4: time increment must be greater than 0. Fixed.\n");
    tstep = 1;
  }
  // The selection may reach beyond the source (such sections have no
  // values and stay zero in the destination); its count comes from the
  // bounds without a walk, so that absurd bounds end in the size check.
  auto steps = [](int64_t first, int64_t last, int64_t step) {
    return last < first ? int64_t(0) : (last - first) / step + 1;
  };
  int64_t selected_waves = 0;
  for (int w = 0; w < num_waves; ++w) selected_waves += wave_flags && wave_flags[w] ? 1 : 0;
  int64_t count = SaturatedProduct(
      SaturatedProduct(steps(p0, p1, 1), steps(t0, t1, tstep)),
      SaturatedProduct(selected_waves, steps(z0, z1, zstep)));
  int blocks = int((s->next + 1023) / 1024);
  if (count > 0x7fffffff) count = 0x7fffffff;
  // Keep the source's named fields: resizing the destination replaces its
  // buffer, and the fields are copied into the fresh one below.
  std::vector<Field> fields = s->fields;
  if (d->kind == kWindowStream) fields.clear();
  if ((rc = IMAlExHdrSize2(dest, s->nint, s->nreal, int(count), blocks)) != IM_ERR_NONE)
    return rc;
  d->ext_type = s->ext_type;
  // Destination coordinates count up from 0 in each dimension; the
  // destination's own sizes and order place them.
  int64_t dp = 0;
  for (int64_t p = p0; p <= p1; ++p, ++dp) {
    int64_t dt = 0;
    for (int64_t t = t0; t <= t1; t += tstep, ++dt) {
      int64_t dw = 0;
      for (int w = 0; w < num_waves; ++w) {
        if (!wave_flags || !wave_flags[w]) continue;
        int64_t dz = 0;
        for (int64_t z = z0; z <= z1; z += zstep, ++dz)
          CopySectionValues(s, {z, w, t, p}, d, {dz, dw, dt, dp});
        ++dw;
      }
    }
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    PrintOut("Transferring field %d: %s %c %d %s\n", int(i), f.name.c_str(), f.type, f.size,
             f.value.data());
    SetField(d, f.name, f.type, f.value.data(), f.size);
  }
  return IM_ERR_NONE;
}

int IMTrExHdr3(int dest, int src, int z0, int z1, int zstep, const int* wave_flags,
               int num_waves, int t0, int t1, int tstep) {
  return IMTrExHdr4(dest, src, z0, z1, zstep, wave_flags, num_waves, t0, t1, tstep, 0, 0);
}

int IMTrExHdr2(int dest, int src, int z0, int z1, int zstep, const int* wave_flags, int t0,
               int t1, int tstep) {
  PrintError("IMTrExHdr2: switch to IMTrExHdr3. Backwards compatibility enabled...\n");
  return IMTrExHdr4(dest, src, z0, z1, zstep, wave_flags, 5, t0, t1, tstep, 0, 0);
}

int itrexhdr2_(const int* dest, const int* src, const int* z0, const int* z1, const int* zstep,
               const int* wave_flags, const int* t0, const int* t1, const int* tstep) {
  PrintError("itrexhdr2: switch to itrexhdr3. Backwards compatibility enabled...\n");
  return IMTrExHdr4(*dest, *src, *z0, *z1, *zstep, wave_flags, 5, *t0, *t1, *tstep, 0, 0);
}

}  // extern "C"
