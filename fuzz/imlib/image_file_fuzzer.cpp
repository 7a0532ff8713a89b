// Fuzz target: arbitrary bytes opened as an image file. Exercises header
// parsing (both byte orders), the extended header and its field area, the
// per-section values, a section, line and patch read, the report, and a
// header copy written back to a second file.
//
// Run with -close_fd_mask=3: the library prints a message for everything
// it refuses, which would otherwise flood the fuzzer's output.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imlib.h"
#include "scratch_file.h"

namespace {

void QueryFields(int s) {
  int count = IMRtNumFields(s);
  for (int i = 0; i < count && i < 64; ++i) {
    char* name = nullptr;
    char* value = nullptr;
    char type = 0;
    int size = 0;
    IMRtFieldNum(s, i, &name, &type, &size, &value);
    if (name) {
      char* copy = nullptr;
      if (IMRtField(s, name, &copy, &type, &size) == 0) free(copy);
      int index = 0;
      IMFindFieldNum(s, name, &index);
      int iv;
      float fv;
      double dv;
      IMRtFieldInt(s, name, &iv);
      IMRtFieldFloat(s, name, &fv);
      IMRtFieldDouble(s, name, &dv);
    }
    free(name);
    free(value);
  }
  int space = 0;
  IMRtFieldHdrSpace(s, &space);
}

void ReadPixels(int s) {
  int nx = 0, ny = 0, nz = 0, nw = 0, nt = 0, np = 0, seq = 0;
  IMRtXY(s, &nx, &ny);
  IMRtZWTP(s, &nz, &nw, &nt, &np, &seq);
  if (nx < 1 || ny < 1 || int64_t(nx) * ny > (1 << 18)) return;
  std::vector<float> section(size_t(nx) * size_t(ny) * 2 + 8);
  IMRdSec(s, section.data());
  IMPosnZWTP(s, nz > 0 ? nz - 1 : 0, nw > 0 ? nw - 1 : 0, nt > 0 ? nt - 1 : 0, 0);
  IMRdLin(s, section.data());
  IMPosn(s, 0, 0);
  IMRdPas(s, section.data(), nx, ny, nx / 2, nx - 1, ny / 3, ny - 1);
  IMALCon(s, 0);
  IMPosn(s, 0, 0);
  IMRdSec(s, section.data());
  IMALCon(s, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::ScratchFile input("imlib_fuzz");
  static fuzzing::ScratchFile copy("imlib_fuzz_copy");
  if (!input.Fill(data, size)) return 0;
  const int s = 1, d = 2;
  int rc = IMOpen(s, input.path(), "ro");
  if (rc != 0 && rc != IM_ERR_READ_EXT_HEADER) return 0;

  int type = 0, ext_size = 0, nint = 0, nreal = 0;
  IMRtExHdrInfo(s, &type, &ext_size, &nint, &nreal);
  for (int index : {0, 1, 13, 20, 1002}) {
    double v = 0;
    IMRtExHdrValueZWTP(s, 0, 0, 0, 0, index, &v);
  }
  std::vector<int> ints(size_t(nint > 0 ? nint : 0) + 1);
  std::vector<float> floats(size_t(nreal > 0 ? nreal : 0) + 1);
  IMRtExHdr(s, 0, ints.data(), floats.data());
  QueryFields(s);
  ReadPixels(s);
  int id = 0, swapped = 0;
  IMRtFileID(s, &id, &swapped);
  float scale[4];
  IMRtScl(s, 0, scale);
  double stamp;
  IMRtTimeStamp(s, &stamp);
  uint8_t header[1024];
  IMRtHdr(s, header);
  IMReportInfo(s);

  // Copy the header and extended header to a new file and write them out.
  if (IMOpen(d, copy.path(), "new") == 0) {
    IMTrHdr(d, s);
    IMAlFieldInt(d, "fuzz", 1);
    IMWrHdr2(d, 1);
    IMClose(d);
  }
  IMClose(s);
  return 0;
}
