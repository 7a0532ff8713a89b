// Header accessors: codes and messages of the edge cases, header creation,
// writing and copying, the region statistics and the header report text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "image_files.h"
#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;

namespace {

constexpr int kS = 31, kD = 32;

class AccessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("a.im");
    ASSERT_EQ(IMOpen(kS, path_.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(kS, 8, 6, 2, 3, 1, 1, IM_ZWTP, IM_USHORT), 0);
  }
  void TearDown() override {
    imtest::StderrOf([] {
      IMClose(kS);
      IMClose(kD);
    });
    IMAlVerboseLevel(0);
  }
  ScopedTempDir dir_;
  std::string path_;
};

// Titles as a buffer of 80-byte slots.
std::vector<char> Titles(const std::vector<std::string>& texts) {
  std::vector<char> b(80 * texts.size(), 0);
  for (size_t i = 0; i < texts.size(); ++i) strncpy(b.data() + 80 * i, texts[i].c_str(), 79);
  return b;
}

TEST_F(AccessorTest, FileTypeChangeDropsTitlesBeyondTheLimit) {
  ASSERT_EQ(IMAlFileType(kS, 0), 0);
  std::vector<char> six = Titles({"t0", "t1", "t2", "t3", "t4", "t5"});
  ASSERT_EQ(IMAlLab(kS, six.data(), 6), 0);
  int rc = -1;
  std::string err = imtest::StderrOf([&] { rc = IMAlFileType(kS, 100); });
  EXPECT_EQ(rc, IM_ERR_TOO_MANY_TITLES);
  EXPECT_EQ(err,
            "IMAlFileType 31: the current number of titles (6) is too large for file type 100.\n"
            "IMAlFileType 31: setting the number of titles to 4.\n");
  int count = 0;
  IMRtNumLab(kS, &count);
  EXPECT_EQ(count, 4);
  ASSERT_EQ(IMAlFileType(kS, 0), 0);
  ASSERT_EQ(IMAlLab(kS, six.data(), 6), 0);
  err = imtest::StderrOf([&] { rc = IMAlDat(kS, 100, 1, 0, 0, 0, 0); });
  EXPECT_EQ(rc, IM_ERR_TOO_MANY_TITLES);
  EXPECT_NE(err.find("IMAlDat 31: setting the number of titles to 4.\n"), std::string::npos);
}

TEST_F(AccessorTest, PixelSizeMustBePositiveButIsStored) {
  const float del[3] = {0.1f, 0.0f, 0.2f};
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlDel(kS, del); }), "IMAlDel 31: pixel size must be greater than 0\n");
  EXPECT_EQ(rc, IM_ERR_PIXEL_SIZE);
  float back[3];
  IMRtDel(kS, back);
  EXPECT_FLOAT_EQ(back[0], 0.1f);
  EXPECT_FLOAT_EQ(back[1], 0.0f);
  EXPECT_FLOAT_EQ(back[2], 0.2f);
  float cell[6];
  IMRtCel(kS, cell);
  EXPECT_FLOAT_EQ(cell[0], 0.1f);  // cell = pixel size x sampling (1)
  EXPECT_FLOAT_EQ(cell[3], 90.0f);
}

TEST_F(AccessorTest, TitleCountsAndTitles) {
  struct Case {
    int file_type, n, rc;
    std::string message;
  } cases[] = {
      {100, -1, 405, "IMAlNumLab: -1 is an invalid number of labels. Valid range: 0-4.\n"},
      {0, 11, 401, "IMAlNumLab: 11 is an invalid number of labels. Valid range: 0-10.\n"},
      {100, 5, 401, "IMAlNumLab: 5 is an invalid number of labels. Valid range: 0-4.\n"},
      {100, 0, 0, ""},
      {0, 10, 0, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(IMAlFileType(kS, c.file_type), 0);
    int rc = -1;
    EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlNumLab(kS, c.n); }), c.message);
    EXPECT_EQ(rc, c.rc) << c.n;
  }
  imtest::StderrOf([] { IMAlFileType(kS, 100); });  // back to the new layout, 4 titles kept
  std::vector<char> five = Titles({"a", "b", "c", "d", std::string(100, 'e')});
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlLab(kS, five.data(), 5); }),
            "IMAlLab 31: 5 is too many titles. Truncating at 4...\n");
  EXPECT_EQ(rc, 401);
  std::vector<char> two = Titles({"X", std::string(90, 'y')});
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlLab2(kS, two.data(), 3, 2); }),
            "IMAlLab2 31: 5 is too many titles. Max is 4. No changes made.\n");
  EXPECT_EQ(rc, 401);
  ASSERT_EQ(IMAlLab(kS, five.data(), 1), 0);
  ASSERT_EQ(IMAlLab2(kS, two.data(), 2, 2), 0);
  int count = 0;
  IMRtNumLab(kS, &count);
  EXPECT_EQ(count, 4);
  char out[4][80];
  ASSERT_EQ(IMRtLab(kS, &out[0][0], &count), 0);
  EXPECT_STREQ(out[0], "a");
  EXPECT_STREQ(out[1], "");
  EXPECT_STREQ(out[2], "X");
  EXPECT_EQ(strlen(out[3]), 79u);
  char one[80];
  EXPECT_EQ(IMRtLab2(kS, one, 2, 1), 0);
  EXPECT_STREQ(one, "X");
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMRtLab2(kS, one, 3, 2); }),
            "IMRtLab2 31: 5 is too many titles. Max is 4. No titles returned.\n");
  EXPECT_EQ(rc, 401);
}

TEST_F(AccessorTest, TimeStampAndDataBitsByLayout) {
  double stamp = -1;
  ASSERT_EQ(IMAlTimeStamp(kS, 1234.5), 0);
  ASSERT_EQ(IMRtTimeStamp(kS, &stamp), 0);
  EXPECT_DOUBLE_EQ(stamp, 1234.5);
  int bits = -1;
  EXPECT_EQ(IMRtDataBitsPerPixel(kS, &bits), IM_ERR_DATA_BITS_UNDEFINED);
  EXPECT_EQ(bits, 0);
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlDataBitsPerPixel(kS, 256); }),
            "IMAlDataBitsPerPixel 31: invalid number of data bits per pixel (256)\n");
  EXPECT_EQ(rc, IM_ERR_DATA_BITS);
  ASSERT_EQ(IMAlDataBitsPerPixel(kS, 14), 0);
  EXPECT_EQ(IMRtDataBitsPerPixel(kS, &bits), 0);
  EXPECT_EQ(bits, 14);

  ASSERT_EQ(IMAlFileType(kS, 99), 0);  // the last type of the old layout
  stamp = -1;
  EXPECT_EQ(IMRtTimeStamp(kS, &stamp), IM_ERR_TIME_STAMP);
  EXPECT_EQ(stamp, 0);
  EXPECT_EQ(IMAlTimeStamp(kS, 5), IM_ERR_TIME_STAMP);
  EXPECT_EQ(IMRtDataBitsPerPixel(kS, &bits), IM_ERR_DATA_BITS_UNDEFINED);
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlDataBitsPerPixel(kS, 8); }),
            "IMAlDataBitsPerPixel 31: file type 99 does not support storage of data bits.\n");
  EXPECT_EQ(rc, IM_ERR_DATA_BITS_UNDEFINED);
  IMAlVerboseLevel(1);
  EXPECT_EQ(imtest::StderrOf([&] { IMRtTimeStamp(kS, &stamp); }),
            "IMRtTimeStamp 31: invalid image type (99).\n");
}

TEST_F(AccessorTest, WavelengthsAndStatistics) {
  const float waves[3] = {450, 520, 610};
  ASSERT_EQ(IMAlWav(kS, 3, waves), 0);
  int count = 0;
  float back[12];
  ASSERT_EQ(IMRtWav(kS, &count, back), 0);
  EXPECT_EQ(count, 3);
  EXPECT_FLOAT_EQ(back[2], 610);
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlWav(kS, 13, waves); }),
            "IMAlWav 31: 13 is an invalid number of wavelengths.\n");
  EXPECT_EQ(rc, IM_ERR_NUM_WAVELENGTHS);
  float w = 0;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMRtWav2(kS, 3, &w); }),
            "IMRtWav2 31: 3 is an invalid wavelength number (min=0, max=2).\n");
  EXPECT_EQ(rc, IM_ERR_WAVELENGTH);
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlWav2(kS, -1, 5); }),
            "IMAlWav2 31: -1 is an invalid wavelength number (min=0, max=2).\n");
  ASSERT_EQ(IMAlWav2(kS, 1, 525), 0);
  ASSERT_EQ(IMRtWav2(kS, 1, &w), 0);
  EXPECT_FLOAT_EQ(w, 525);

  float mn, mx, me;
  EXPECT_EQ(IMAlWavMMM(kS, 4, 1, 2, 3), IM_ERR_WAVELENGTH);  // stored beyond NW
  EXPECT_EQ(IMRtWavMMM(kS, 4, &mn, &mx, &me), IM_ERR_WAVELENGTH);
  EXPECT_FLOAT_EQ(me, 3);
  EXPECT_EQ(IMRtWavMMM(kS, 12, &mn, &mx, &me), IM_ERR_WAVELENGTH_TOO_LARGE);
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlWavMMM(kS, 12, 0, 0, 0); }),
            "IMAlWavMMM 31: 12 is an invalid wavelength number.\n");
  EXPECT_EQ(rc, IM_ERR_WAVELENGTH_TOO_LARGE);
  IMAlVerboseLevel(1);
  EXPECT_EQ(imtest::StdoutOf([&] { EXPECT_EQ(IMAlWavMMM(kS, 1, -1.5f, 99.25f, 7.125f), 0); }),
            "IMAlWavMMM 31: w=1, MMM=-1.50 99.25 7.125\n");
  ASSERT_EQ(IMRtWavMM(kS, 1, &mn, &mx), 0);
  EXPECT_FLOAT_EQ(mx, 99.25f);
}

TEST_F(AccessorTest, DisplayScales) {
  float scale[4];
  // As created: low 0, high 0 -> invalid, the wavelength's range comes back.
  EXPECT_EQ(IMRtScl(kS, 0, scale), IM_ERR_DISPLAY_SCALE_VALUES);
  EXPECT_FLOAT_EQ(scale[1], 1000);
  EXPECT_FLOAT_EQ(scale[2], 1);
  const float good[4] = {10, 200, 0.8f, 0};
  ASSERT_EQ(IMAlScl(kS, 1, good), 0);
  ASSERT_EQ(IMAlWavMMM(kS, 1, 0, 300, 20), 0);
  ASSERT_EQ(IMRtScl(kS, 1, scale), 0);
  EXPECT_FLOAT_EQ(scale[2], 0.8f);
  struct Bad {
    float low, high, min;
  } bad[] = {{20, 20, 0}, {50, 10, 0}, {10, 200, 250}};
  for (const Bad& b : bad) {
    ASSERT_EQ(IMAlScl2(kS, 1, b.low, b.high, 1, 0), 0);
    ASSERT_EQ(IMAlWavMMM(kS, 1, b.min, 400, 0), 0);
    float lo, hi, g, f;
    EXPECT_EQ(IMRtScl2(kS, 1, &lo, &hi, &g, &f), IM_ERR_DISPLAY_SCALE_VALUES);
    EXPECT_FLOAT_EQ(lo, b.min);
    EXPECT_FLOAT_EQ(hi, 400);
  }
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlScl(kS, 3, good); }),
            "IMAlScl 31: 3 is an invalid wavelength number.\n");
  EXPECT_EQ(rc, IM_ERR_WAVELENGTH);
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMRtScl(kS, 5, scale); }),
            "IMRtScl 31: 5 is an invalid wavelength number.\n");
  ASSERT_EQ(IMAlFileType(kS, 1), 0);
  EXPECT_EQ(IMRtScl(kS, 0, scale), IM_ERR_DISPLAY_SCALE);
  EXPECT_FLOAT_EQ(scale[0], 0);
  EXPECT_FLOAT_EQ(scale[1], 1000);
  EXPECT_EQ(IMAlScl(kS, 0, good), IM_ERR_DISPLAY_SCALE);
}

TEST_F(AccessorTest, SizesModesAndMiscellaneous) {
  int nz, nw, nt, np, seq;
  ASSERT_EQ(IMAlZWTP(kS, 2, 2, 5, 1, IM_TWPZ), 0);
  ASSERT_EQ(IMRtZWTP(kS, &nz, &nw, &nt, &np, &seq), 0);
  EXPECT_EQ(nz * 100 + nw * 10 + nt, 225);
  EXPECT_EQ(seq, IM_TWPZ);
  int size[3], sampling[3], start[3];
  ASSERT_EQ(IMRtSiz(kS, size, sampling, start), 0);
  EXPECT_EQ(size[2], 20);
  const int new_size[3] = {4, 4, 21};
  const int new_start[3] = {1, 2, 3};
  ASSERT_EQ(IMAlSiz(kS, new_size, new_start), 0);
  EXPECT_EQ(imtest::StderrOf([&] { IMRtSiz(kS, size, sampling, start); }),
            "IMRtSiz: inconsistent section count (secs vs. ZWTP).\n");
  int mst[3];
  IMRtMst(kS, mst);
  EXPECT_EQ(mst[2], 3);
  ASSERT_EQ(IMAlXY(kS, 16, 9), 0);
  int nx, ny;
  IMRtXY(kS, &nx, &ny);
  EXPECT_EQ(nx * ny, 144);

  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlSym(kS, 0, "x"); }),
            "IMAlSym 31: error altering symmetry information.\n");
  EXPECT_EQ(rc, IM_ERR_SYMMETRY);
  int sym = 0;
  ASSERT_EQ(IMRtSym(kS, &sym, nullptr), 0);
  EXPECT_EQ(sym, 4 * 1024);
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlDis(0); }),
            "IMAlDis: use IMAlDis2(iStream,iWinDisplayFlag) instead.\n");
  IMAlDis(1);
  EXPECT_EQ(IMAlDis2(kS, 0), 0);
  EXPECT_EQ(IMRtWID(kS), 0);

  struct Unsupported {
    int (*call)(int);
    const char* message;
  } unsupported[] = {{IMRtExt, "IMRtExt: function not supported.\n"},
                     {IMAlTltRot, "IMAlTltRot: function not supported.\n"},
                     {IMClLim, "IMClLim: unsupported function.\n"},
                     {IMInterp, "IMInterp: unsupported function.\n"}};
  for (const Unsupported& u : unsupported) {
    EXPECT_EQ(imtest::StderrOf([&] { rc = u.call(kS); }), u.message);
    EXPECT_EQ(rc, IM_ERR_UNSUPPORTED);
  }
  unsigned char header[1024];
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMRtHdr(4321, header); }),
            "IMRtHdr 4321: internal stream numbering error.\nIMRtHdr 4321: invalid stream.\n");
  EXPECT_EQ(rc, IM_ERR_STREAM_NUMBERING);
  float orig[3];
  ASSERT_EQ(IMAlOrig(kS, 1.5f, 2.5f, 3.5f), 0);
  ASSERT_EQ(IMRtOrig(kS, &orig[0], &orig[1], &orig[2]), 0);
  EXPECT_FLOAT_EQ(orig[2], 3.5f);
  const int map[3] = {3, 1, 2};
  ASSERT_EQ(IMAlMap(kS, map), 0);
  const float tilt[3] = {1, 2, 3};
  ASSERT_EQ(IMAlTlt(kS, tilt), 0);
  ASSERT_EQ(IMAlSpg(kS, 7, 2048), 0);
  int spg = 0, next = 0;
  ASSERT_EQ(IMRtSpg(kS, &spg, &next), 0);
  EXPECT_EQ(spg * 10000 + next, 72048);
  // The raw header image reflects the record and can be given back.
  ASSERT_EQ(IMRtHdr(kS, header), 0);
  int32_t stored;
  memcpy(&stored, header + 64, 4);
  EXPECT_EQ(stored, 3);
  memcpy(&stored, header + 92, 4);
  EXPECT_EQ(stored, 2048);
  int32_t wide = 77;
  memcpy(header, &wide, 4);
  ASSERT_EQ(IMAlHdr(kS, header), 0);
  IMRtXY(kS, &nx, &ny);
  EXPECT_EQ(nx, 77);
}

TEST_F(AccessorTest, ClassicCreationWriteAndRead) {
  std::string path = dir_.file("classic.im");
  ASSERT_EQ(IMOpen(kD, path.c_str(), "new"), 0);
  const int size[3] = {3, 2, 4};
  const int sampling[3] = {2, 0, 1};
  std::vector<char> titles = Titles({"first", "second"});
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMCrHdr(kD, size, sampling, 5, titles.data(), 2); }),
            "IMCrHdr 32: Y sampling must be greater than 0.\n"
            "IMCrHdr 32: 5 is an invalid pixel data type.\n");
  EXPECT_EQ(rc, 0);
  int mode = -1, nz, nw, nt, seq, next = -1;
  IMRtMode(kD, &mode);
  IMRtZWT(kD, &nz, &nw, &nt, &seq);
  IMRtSpg(kD, nullptr, &next);
  EXPECT_EQ(mode, IM_SHORT);
  EXPECT_EQ(nz, 4);
  EXPECT_EQ(nw * nt, 1);
  EXPECT_EQ(seq, IM_ZTWP);
  EXPECT_EQ(next, 0);
  float del[3];
  IMRtDel(kD, del);
  EXPECT_FLOAT_EQ(del[0], 0.5f);
  EXPECT_FLOAT_EQ(del[1], 1.0f);

  ASSERT_EQ(IMWrHdr(kD, "third", 1, -1, 9, 4), 0);
  ASSERT_EQ(IMWrHdr(kD, "fourth", 2, -1, 9, 4), 0);
  EXPECT_EQ(imtest::StderrOf([&] { IMWrHdr(kD, "fifth", 2, -2, 10, 5); }),
            "IMWrHdr: add title to top of list not yet supported. Adding to bottom.\n");
  IMClose(kD);

  ASSERT_EQ(IMOpen(kD, path.c_str(), "ro"), 0);
  int rsize[3], rsampling[3], type;
  float mn, mx, me;
  ASSERT_EQ(IMRdHdr(kD, rsize, rsampling, &type, &mn, &mx, &me), 0);
  EXPECT_EQ(rsize[0] * 100 + rsize[1] * 10 + rsize[2], 324);
  EXPECT_EQ(rsampling[0], 2);
  EXPECT_EQ(rsampling[1], 1);
  EXPECT_EQ(type, IM_SHORT);
  EXPECT_FLOAT_EQ(mn, -2);
  EXPECT_FLOAT_EQ(me, 5);
  char out[4][80];
  int count = 0;
  IMRtLab(kD, &out[0][0], &count);
  ASSERT_EQ(count, 4);  // at the maximum the last title is replaced
  EXPECT_STREQ(out[2], "third");
  EXPECT_STREQ(out[3], "fifth");
  IMClose(kD);
  ASSERT_EQ(IMOpen(kD, path.c_str(), "old"), 0);
  ASSERT_EQ(IMWrHdr(kD, "only", 0, 0, 1, 0), 0);
  IMRtNumLab(kD, &count);
  EXPECT_EQ(count, 1);
}

TEST_F(AccessorTest, HeaderCopies) {
  ASSERT_EQ(IMAlLensID(kS, 10612), 0);
  std::vector<char> titles = Titles({"source"});
  ASSERT_EQ(IMAlLab(kS, titles.data(), 1), 0);
  ASSERT_EQ(IMAlFieldChar(kS, "objective", "60x"), 0);
  double v = 0;
  ASSERT_EQ(IMAlExHdrValueZWTP(kS, 1, 2, 0, 0, 13, 4.5), 0);
  const float cell[6] = {2, 3, 4, 80, 85, 95};
  ASSERT_EQ(IMALCel(kS, cell), 0);

  std::string path = dir_.file("copy.im");
  ASSERT_EQ(IMOpen(kD, path.c_str(), "new"), 0);
  ASSERT_EQ(IMTrHdr(kD, kS), 0);
  int lens = 0, nz, nw, nt;
  IMRtLensID(kD, &lens);
  IMRtZWT(kD, &nz, &nw, &nt, nullptr);
  EXPECT_EQ(lens, 10612);
  EXPECT_EQ(nz * 10 + nw, 23);
  ASSERT_EQ(IMRtExHdrValueZWTP(kD, 1, 2, 0, 0, 13, &v), 0);
  EXPECT_DOUBLE_EQ(v, 4.5);
  char* value = nullptr;
  ASSERT_EQ(IMRtFieldChar(kD, "objective", &value), 0);
  EXPECT_STREQ(value, "60x");
  free(value);
  float back[6];
  IMRtCel(kD, back);
  EXPECT_FLOAT_EQ(back[4], 85);

  ASSERT_EQ(IMCrHdr3(kD, 1, 1, 1, 1, 1, 1, IM_ZWTP, IM_BYTE), 0);
  ASSERT_EQ(IMTrCel(kD, kS), 0);
  IMRtCel(kD, back);
  EXPECT_FLOAT_EQ(back[5], 95);
  ASSERT_EQ(IMTrLab(kD, kS), 0);
  int count = 0;
  IMRtNumLab(kD, &count);
  EXPECT_EQ(count, 1);

  // A source without an extended header leaves none at the destination.
  ASSERT_EQ(IMAlExHdrInfo(kS, 0, 0, 0, 0), 0);
  ASSERT_EQ(IMTrHdr(kD, kS), 0);
  int type = -1, size = -1;
  IMRtExHdrInfo(kD, &type, &size, nullptr, nullptr);
  EXPECT_EQ(size, 0);
}

TEST(CalcDenTest, RegionStatistics) {
  const float image[3 * 4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  float mn, mx, me;
  ASSERT_EQ(IMCalcDen(image, 4, 3, 1, 2, 1, 2, &mn, &mx, &me), 0);
  EXPECT_FLOAT_EQ(mn, 6);
  EXPECT_FLOAT_EQ(mx, 11);
  EXPECT_FLOAT_EQ(me, 8.5f);
  int nx = 4, ny = 3, x0 = 1, x1 = 4, y0 = 3, y1 = 3;
  ASSERT_EQ(imcalcden_(image, &nx, &ny, &x0, &x1, &y0, &y1, &mn, &mx, &me), 0);
  EXPECT_FLOAT_EQ(mn, 9);
  EXPECT_FLOAT_EQ(me, 10.5f);
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMCalcDen(image, 4, 3, 2, 1, 0, 0, &mn, &mx, &me); }),
            "IMCalcDen: invalid ROI.\n");
  EXPECT_EQ(rc, IM_ERR_UNSPECIFIED);
}

TEST(ReportTest, ExactHeaderReport) {
  ScopedTempDir dir;
  std::string path = dir.file("report.im");
  ASSERT_EQ(IMOpen(kS, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kS, 512, 512, 1, 3, 1, 1, IM_ZWTP, IM_USHORT), 0);
  const float waves[3] = {457, 528, 617};
  ASSERT_EQ(IMAlWav(kS, 3, waves), 0);
  ASSERT_EQ(IMAlWavMMM(kS, 1, 2, 4000, 123.456f), 0);
  const float del[3] = {0.08f, 0.08f, 0.2f};
  ASSERT_EQ(IMAlDel(kS, del), 0);
  ASSERT_EQ(IMAlLensID(kS, 10403), 0);
  std::vector<char> titles = Titles({"beads, 100 frames", "stage test"});
  ASSERT_EQ(IMAlLab(kS, titles.data(), 2), 0);
  std::string out = imtest::StdoutOf([&] { EXPECT_EQ(IMReportInfo(kS), 0); });
  EXPECT_EQ(out,
            "\n"
            "Image Name............................\t" + path + "\n"
            "Size (X, Y, Z)........................\t512 512 1\n"
            "Size (W, T, P)........................\t3 1 1\n"
            "Data Type.............................\t2 byte unsigned integer\n"
            "Sequence..............................\tZ -> W -> T\n"
            "Pixel Size (dX, dY, dZ)...............\t0.080 0.080 0.200\n"
            "Wavelengths (nm)......................\t457.00  528.00  617.00  \n"
            "Min, Max, Mean (w=457.0 nm)...........\t0.00 1000.00 500.00\n"
            "Min, Max, Mean (w=528.0 nm)...........\t2.00 4000.00 123.46\n"
            "Min, Max, Mean (w=617.0 nm)...........\t0.00 0.00 0.00\n"
            "Rotation Angles (alpha, beta, gamma)..\t0.00 0.00 0.00\n"
            "Extended Header Size (bytes)..........\t4096\n"
            "Extended Header Type .................\t4\n"
            "Image Type............................\t100\n"
            "Lens ID Number........................\t10403\n"
            "\n"
            "Titles................................\n"
            "beads, 100 frames\n"
            "stage test\n"
            "\n");
  struct Seq {
    int code;
    const char* text;
  } seqs[] = {{0, "Z -> T -> W"}, {1, "W -> Z -> T"}, {2, "Z -> W -> T"}, {9, "PZWT"}};
  for (const Seq& s : seqs) {
    IMAlImageSequence(kS, s.code);
    out = imtest::StdoutOf([&] { IMReportInfo(kS); });
    EXPECT_NE(out.find(std::string("Sequence..............................\t") + s.text + "\n"),
              std::string::npos)
        << s.code;
  }
  IMClose(kS);

  // Every wavelength is listed, also beyond the old layout's five.
  imtest::RawHeader old_layout = imtest::MakeHeader(1, 1, 7, IM_BYTE, 0, 7);
  old_layout.Set<int16_t>(198 + 2 * 4, 650);
  imtest::WriteImage(path, old_layout, {}, std::vector<uint8_t>(7, 0));
  ASSERT_EQ(IMOpen(kS, path.c_str(), "ro"), 0);
  out = imtest::StdoutOf([] { IMReportInfo(kS); });
  EXPECT_NE(out.find("Wavelengths (nm)......................\t"
                     "0.00  0.00  0.00  0.00  650.00  0.00  0.00  \n"
                     "Min, Max, Mean (w=0.0 nm)...........\t0.00 0.00 0.00\n"),
            std::string::npos)
      << out;
  size_t lines = 0;
  for (size_t at = out.find("Min, Max, Mean"); at != std::string::npos;
       at = out.find("Min, Max, Mean", at + 1))
    ++lines;
  EXPECT_EQ(lines, 7u);
  IMClose(kS);
}

}  // namespace
