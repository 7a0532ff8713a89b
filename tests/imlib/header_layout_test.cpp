// The 1024-byte header: byte order recognition, the old and new layouts,
// and the rules of parsing and writing single fields.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "image_files.h"
#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;
using imtest::FileBytes;
using imtest::MakeHeader;
using imtest::RawHeader;
using imtest::WriteImage;

namespace {

constexpr int kStream = 7;

// Opens a file read-only on kStream; the call's standard error is returned.
std::string OpenCapturingErrors(const std::string& path, int* rc) {
  return imtest::StderrOf([&] { *rc = IMOpen(kStream, path.c_str(), "ro"); });
}

template <typename T>
T At(const std::vector<uint8_t>& bytes, size_t offset) {
  T v;
  memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

class HeaderLayoutTest : public ::testing::Test {
 protected:
  void TearDown() override { IMClose(kStream); }
  ScopedTempDir dir_;
};

TEST_F(HeaderLayoutTest, ForeignByteOrderIsRecognisedAndReversed) {
  std::string path = dir_.file("swapped.im");
  RawHeader h = MakeHeader(3, 2, 4, 6, 100, 2, 2);
  h.Set<float>(40, 0.5f);          // cell X
  h.Set<int32_t>(92, 0);           // no extended header
  h.Set<uint16_t>(162, 12345);     // lens
  h.Set<int16_t>(198, 520);        // wavelength 0
  h.Set<int16_t>(200, 610);        // wavelength 1
  h.Set<float>(188, 33.5f);        // tilt 2
  h.Set<int32_t>(880, 1);
  WriteImage(path, h, {}, std::vector<uint8_t>(3 * 2 * 4 * 2, 0));
  imtest::ConvertToForeignOrder(path);
  std::vector<uint8_t> raw = FileBytes(path);
  ASSERT_EQ(raw[96], 0xC0);  // big-endian bit pattern as a foreign writer leaves it
  ASSERT_EQ(raw[97], 0xA0);

  int rc = -1;
  std::string err = OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0) << err;
  int id = 0, swapped = 0;
  EXPECT_EQ(IMRtFileID(kStream, &id, &swapped), 0);
  EXPECT_EQ(id, IM_FILE_ID);
  EXPECT_EQ(swapped, 1);
  int nx, ny, nz, nw, nt, np, seq, lens;
  IMRtXY(kStream, &nx, &ny);
  IMRtZWTP(kStream, &nz, &nw, &nt, &np, &seq);
  IMRtLensID(kStream, &lens);
  EXPECT_EQ(nx, 3);
  EXPECT_EQ(ny, 2);
  EXPECT_EQ(nz, 1);
  EXPECT_EQ(nw, 2);
  EXPECT_EQ(nt, 2);
  EXPECT_EQ(np, 1);
  EXPECT_EQ(seq, 2);
  EXPECT_EQ(lens, 12345);
  float del[3], tilt[3], wave = 0;
  IMRtDel(kStream, del);
  IMRtTlt(kStream, tilt);
  EXPECT_FLOAT_EQ(del[0], 0.5f);
  EXPECT_FLOAT_EQ(tilt[1], 33.5f);
  IMRtWav2(kStream, 1, &wave);
  EXPECT_FLOAT_EQ(wave, 610.0f);
}

TEST_F(HeaderLayoutTest, UnrecognisedIdWarnsAndParsesUnchanged) {
  std::string path = dir_.file("badid.im");
  RawHeader h = MakeHeader(5, 4, 1, 0, 100);
  h.Set<int16_t>(96, 1234);
  WriteImage(path, h, {}, std::vector<uint8_t>(20, 0));
  int rc = -1;
  std::string err = OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  EXPECT_NE(err.find("] IMSubs 7: warning, unrecognized file ID (1234).\n"), std::string::npos)
      << err;
  EXPECT_EQ(err.rfind("[", 0), 0u);
  int id = 0, swapped = 9;
  EXPECT_EQ(IMRtFileID(kStream, &id, &swapped), IM_ERR_FILE_ID);
  EXPECT_EQ(id, 1234);
  EXPECT_EQ(swapped, 0);
  int nx, ny;
  IMRtXY(kStream, &nx, &ny);
  EXPECT_EQ(nx, 5);
  EXPECT_EQ(ny, 4);
}

TEST_F(HeaderLayoutTest, ZeroCountsAreReadAsOneWithMessages) {
  struct Case {
    int nw, nt;
    const char* message;
  } cases[] = {
      {0, 3, "IMSubs: number of wavelengths must be > 0.\n"},
      {2, 0, "IMSubs: number of time-points must be > 0.\n"},
  };
  for (const Case& c : cases) {
    std::string path = dir_.file("zero.im");
    RawHeader h = MakeHeader(2, 2, 6, 0, 0, c.nw, c.nt);
    WriteImage(path, h, {}, std::vector<uint8_t>(24, 0));
    int rc = -1;
    std::string err = OpenCapturingErrors(path, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(err, c.message);
    int nz, nw, nt;
    IMRtZWT(kStream, &nz, &nw, &nt, nullptr);
    EXPECT_EQ(nw, c.nw ? c.nw : 1);
    EXPECT_EQ(nt, c.nt ? c.nt : 1);
    EXPECT_EQ(nz, 6 / (nw * nt));
    IMClose(kStream);
  }
}

TEST_F(HeaderLayoutTest, SamplingBelowOneGivesPixelSizeEqualToCell) {
  std::string path = dir_.file("sampling.im");
  RawHeader h = MakeHeader(2, 2, 1, 0, 100);
  h.Set<int32_t>(28, 0);
  h.Set<int32_t>(32, -4);
  h.Set<int32_t>(36, 2);
  h.Set<float>(40, 0.2f);
  h.Set<float>(44, 0.3f);
  h.Set<float>(48, 0.8f);
  WriteImage(path, h, {}, std::vector<uint8_t>(4, 0));
  int rc = -1;
  OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  float del[3];
  IMRtDel(kStream, del);
  EXPECT_FLOAT_EQ(del[0], 0.2f);
  EXPECT_FLOAT_EQ(del[1], 0.3f);
  EXPECT_FLOAT_EQ(del[2], 0.4f);
  int size[3], sampling[3], start[3];
  IMRtSiz(kStream, size, sampling, start);
  EXPECT_EQ(sampling[0], 1);
  EXPECT_EQ(sampling[1], 1);
  EXPECT_EQ(sampling[2], 2);
}

TEST_F(HeaderLayoutTest, TitleCountIsCappedByLayout) {
  struct Case {
    int file_type;
    int expected;
  } cases[] = {{0, 10}, {99, 10}, {100, 4}, {200, 4}};
  for (const Case& c : cases) {
    std::string path = dir_.file("titles.im");
    RawHeader h = MakeHeader(1, 1, 1, 0, c.file_type);
    h.Set<int16_t>(222, 12);
    for (int i = 0; i < 10; ++i) {
      std::string t = "title " + std::to_string(i);
      memcpy(h.bytes.data() + 224 + 80 * i, t.data(), t.size());
    }
    WriteImage(path, h, {}, std::vector<uint8_t>(1, 0));
    int rc = -1;
    OpenCapturingErrors(path, &rc);
    ASSERT_EQ(rc, 0);
    int count = -1, max = -1;
    IMRtNumLab(kStream, &count);
    IMRtMaxNumLab(kStream, &max);
    EXPECT_EQ(count, c.expected) << c.file_type;
    EXPECT_EQ(max, c.expected);
    char titles[10][80];
    IMRtLab(kStream, &titles[0][0], &count);
    EXPECT_STREQ(titles[c.expected - 1], ("title " + std::to_string(c.expected - 1)).c_str());
    IMClose(kStream);
  }
}

// Writes a header through the library with the given file type and NT.
std::vector<uint8_t> WriteWithLibrary(const std::string& path, int file_type, int nt) {
  EXPECT_EQ(IMOpen(kStream, path.c_str(), "new"), 0);
  EXPECT_EQ(IMCrHdr3(kStream, 1, 1, 2, 1, nt, 1, IM_ZWTP, IM_BYTE), 0);
  EXPECT_EQ(IMAlExHdrInfo(kStream, 0, 0, 0, 0), 0);  // no extended header
  imtest::StderrOf([&] { IMAlFileType(kStream, file_type); });
  EXPECT_EQ(IMWrHdr2(kStream, 0), 0);
  IMClose(kStream);
  return FileBytes(path);
}

TEST_F(HeaderLayoutTest, LargeTimeCountsByLayout) {
  std::string path = dir_.file("nt.im");
  std::vector<uint8_t> fresh = WriteWithLibrary(path, 100, 70000);
  EXPECT_EQ(At<uint16_t>(fresh, 180), 65535);
  EXPECT_EQ(At<int32_t>(fresh, 852), 70000);
  EXPECT_EQ(At<int32_t>(fresh, 8), 2 * 70000);
  int rc = -1;
  OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  int nz, nw, nt;
  IMRtZWT(kStream, &nz, &nw, &nt, nullptr);
  EXPECT_EQ(nt, 70000);
  EXPECT_EQ(nz, 2);
  IMClose(kStream);

  std::vector<uint8_t> old = WriteWithLibrary(path, 0, 70000);
  EXPECT_EQ(At<uint16_t>(old, 180), 65535);
  EXPECT_EQ(At<int32_t>(old, 8), 2 * 1 * 65535);
  OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  IMRtZWT(kStream, &nz, &nw, &nt, nullptr);
  EXPECT_EQ(nt, 65535);  // the old layout has no 32-bit count
  EXPECT_EQ(nz, 2);
}

TEST_F(HeaderLayoutTest, MeansOfWavelengthsOneToFourSurviveOnlyInNewLayout) {
  struct Case {
    int file_type;
    bool kept;
  } cases[] = {{100, true}, {1, false}};
  for (const Case& c : cases) {
    std::string path = dir_.file("means.im");
    ASSERT_EQ(IMOpen(kStream, path.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(kStream, 1, 1, 1, 5, 1, 1, IM_ZWTP, IM_FLOAT), 0);
    IMAlFileType(kStream, c.file_type);
    for (int w = 0; w < 5; ++w) IMAlWavMMM(kStream, w, -1.0f * w, 10.0f * w, 3.5f + w);
    ASSERT_EQ(IMWrHdr2(kStream, 1), 0);
    IMClose(kStream);
    std::vector<uint8_t> bytes = FileBytes(path);
    EXPECT_FLOAT_EQ(At<float>(bytes, 84), 3.5f);                 // mean 0 always
    EXPECT_FLOAT_EQ(At<float>(bytes, 136), -1.0f);               // min 1
    EXPECT_FLOAT_EQ(At<float>(bytes, 176), 40.0f);               // max 4
    EXPECT_FLOAT_EQ(At<float>(bytes, 864), c.kept ? 4.5f : 0.0f);  // mean 1
    int rc = -1;
    OpenCapturingErrors(path, &rc);
    ASSERT_EQ(rc, 0);
    float min, max, mean;
    EXPECT_EQ(IMRtWavMMM(kStream, 4, &min, &max, &mean), 0);
    EXPECT_FLOAT_EQ(min, -4.0f);
    EXPECT_FLOAT_EQ(max, 40.0f);
    EXPECT_FLOAT_EQ(mean, c.kept ? 7.5f : 0.0f);
    IMClose(kStream);
  }
}

TEST_F(HeaderLayoutTest, FieldEncodingsOfTheWriter) {
  std::string path = dir_.file("fields.im");
  ASSERT_EQ(IMOpen(kStream, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kStream, 4, 4, 1, 3, 1, 1, IM_ZWTP, IM_SHORT), 0);
  const float waves[3] = {500.5f, -500.5f, 499.49f};
  ASSERT_EQ(IMAlWav(kStream, 3, waves), 0);
  ASSERT_EQ(IMAlDat(kStream, 100, 10612, 7, -3, 1.237f, -2.5f), 0);
  ASSERT_EQ(IMAlTimeStamp(kStream, -5.0), 0);
  ASSERT_EQ(IMAlDataBitsPerPixel(kStream, 12), 0);
  ASSERT_EQ(IMWrHdr2(kStream, 1), 0);
  IMClose(kStream);
  std::vector<uint8_t> b = FileBytes(path);
  EXPECT_EQ(At<int16_t>(b, 96), -16224);
  EXPECT_EQ(At<int16_t>(b, 198), 501);   // half away from zero
  EXPECT_EQ(At<int16_t>(b, 200), -501);
  EXPECT_EQ(At<int16_t>(b, 202), 499);
  EXPECT_EQ(At<uint16_t>(b, 162), 10612);
  EXPECT_EQ(At<int16_t>(b, 164), 7);
  EXPECT_EQ(At<int16_t>(b, 166), -3);
  EXPECT_EQ(At<int16_t>(b, 168), 123);  // 1.237 x 100 truncated
  EXPECT_EQ(At<int16_t>(b, 170), -250);
  EXPECT_EQ(At<double>(b, 844), 0.0);   // negative time stamp stored as 0
  EXPECT_EQ(b[856], 12);
  EXPECT_EQ(At<int16_t>(b, 132), 1);
  EXPECT_EQ(At<int16_t>(b, 134), 1);
  EXPECT_EQ(At<int16_t>(b, 160), 100);
  EXPECT_EQ(At<int32_t>(b, 880), 1);
  // Display scale of wavelength 0 as created: 0, 0, 1.
  EXPECT_FLOAT_EQ(At<float>(b, 708), 1.0f);

  int rc = -1;
  OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  int ft, lens, a1, a2;
  float v1, v2;
  IMRtDat(kStream, &ft, &lens, &a1, &a2, &v1, &v2);
  EXPECT_EQ(std::vector<int>({ft, lens, a1, a2}), std::vector<int>({100, 10612, 7, -3}));
  EXPECT_FLOAT_EQ(v1, 1.23f);
  EXPECT_FLOAT_EQ(v2, -2.5f);
}

TEST_F(HeaderLayoutTest, PixelTypeChecks) {
  std::string path = dir_.file("types.im");
  ASSERT_EQ(IMOpen(kStream, path.c_str(), "new"), 0);
  // Creation refuses only codes above the tables and a non-positive
  // number of sections; what it accepts is stored as given.
  struct Create {
    int nx, nz, nw, sequence, type, rc;
    const char* message;
  } creates[] = {
      {4, 1, 1, IM_ZWTP, 5, 0, ""},
      {4, 1, 1, IM_ZWTP, -1, 0, ""},
      {4, 1, 1, IM_ZWTP, 9, IM_ERR_PIXEL_TYPE, ""},
      {4, 1, 1, -1, IM_BYTE, 0, ""},
      {4, 1, 1, 15, IM_BYTE, IM_ERR_SEQUENCE, ""},
      {0, -1, -2, IM_ZWTP, IM_BYTE, 0, ""},
      {4, 0, 1, IM_ZWTP, IM_BYTE, IM_ERR_NUM_SECTIONS,
       "IMOpen2 7: invalid number of sections (0,1,1)\n"},
  };
  for (const Create& c : creates) {
    int rc = -1;
    EXPECT_EQ(imtest::StderrOf([&] {
                rc = IMCrHdr3(kStream, c.nx, 4, c.nz, c.nw, 1, 1, c.sequence, c.type);
              }),
              c.message);
    EXPECT_EQ(rc, c.rc) << c.type << " " << c.sequence;
    if (rc != 0) continue;
    int nx = 0, ny, nz = 0, nw = 0, nt, np, sequence = 0, type = 0;
    IMRtXY(kStream, &nx, &ny);
    IMRtZWTP(kStream, &nz, &nw, &nt, &np, &sequence);
    IMRtMode(kStream, &type);
    EXPECT_EQ(std::vector<int>({nx, nz, nw, sequence, type}),
              std::vector<int>({c.nx, c.nz, c.nw, c.sequence, c.type}));
  }
  int rc = -1;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMAlMode(kStream, 9); }),
            "IMAlMode 7: 9 is an invalid pixel data type.\n");
  EXPECT_EQ(rc, IM_ERR_PIXEL_TYPE);
  EXPECT_EQ(IMAlMode(kStream, 5), 0);
  ASSERT_EQ(IMAlMode(kStream, IM_COMPLEX_SHORT), 0);
  int bytes = 0;
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMRtBytesPerPixel(kStream, &bytes), IM_ERR_COMPLEX_SHORT);
  });
  EXPECT_EQ(printed,
            "IMRtBytesPerPix 7: 16 bit complex data not supported.\n");
  EXPECT_EQ(bytes, 4);
  double lo, hi;
  imtest::StderrOf([&] { EXPECT_EQ(IMRtDataTypeMinMax(kStream, &lo, &hi), IM_ERR_COMPLEX_SHORT); });

  struct Range {
    int type;
    double lo, hi;
    int bytes;
  } ranges[] = {{0, 0, 255, 1},       {1, -32767, 32767, 2},
                {2, -1e38, 1e38, 4},  {4, -1e38, 1e38, 8},
                {6, 0, 65535, 2},     {7, -2147483647.0, 2147483647.0, 4},
                {8, -1e38, 1e38, 8}};
  for (const Range& r : ranges) {
    ASSERT_EQ(IMAlMode(kStream, r.type), 0);
    EXPECT_EQ(IMRtDataTypeMinMax(kStream, &lo, &hi), 0);
    EXPECT_EQ(lo, r.lo) << r.type;
    EXPECT_EQ(hi, r.hi) << r.type;
    EXPECT_EQ(IMRtBytesPerPixel(kStream, &bytes), 0);
    EXPECT_EQ(bytes, r.bytes) << r.type;
  }
}

TEST_F(HeaderLayoutTest, UnknownStoredPixelTypeAssumesTwoBytes) {
  std::string path = dir_.file("mode5.im");
  WriteImage(path, MakeHeader(2, 2, 1, 5, 100), {}, std::vector<uint8_t>(8, 0));
  int rc = -1;
  std::string err = OpenCapturingErrors(path, &rc);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(err, "IMSubs: internal error involving the number of bytes per pixel.\n");
  int bytes = 0;
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMRtBytesPerPixel(kStream, &bytes), IM_ERR_PIXEL_TYPE);
  });
  EXPECT_EQ(printed,
            "IMRtBytesPerPix 7: 5 is an invalid pixel data type.\n");
  EXPECT_EQ(bytes, 2);
}

}  // namespace
