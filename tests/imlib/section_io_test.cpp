// Section numbering, positioning and pixel transfers: round trips of every
// pixel type in both byte orders, the write calls' clamping and rounding,
// patches and short files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image_files.h"
#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;

namespace {

constexpr int kOut = 11, kIn = 12;

class SectionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    imtest::StderrOf([&] {
      IMClose(kOut);
      IMClose(kIn);
    });
    IMAlVerboseLevel(0);
  }
  // A new file on kOut with the given geometry.
  void Create(const std::string& path, int nx, int ny, int nz, int nw, int nt, int np, int seq,
              int mode) {
    ASSERT_EQ(IMOpen(kOut, path.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(kOut, nx, ny, nz, nw, nt, np, seq, mode), 0);
    ASSERT_EQ(IMWrHdr2(kOut, 1), 0);
  }
  ScopedTempDir dir_;
};

TEST_F(SectionTest, NumberingFormulaOfSeveralSequences) {
  const int nz = 2, nw = 3, nt = 4, np = 2;
  struct Case {
    int seq;
    int (*number)(int z, int w, int t, int p);
  } cases[] = {
      {0, [](int z, int w, int t, int p) { return z + 2 * t + 2 * 4 * w + 2 * 4 * 3 * p; }},
      {1, [](int z, int w, int t, int p) { return w + 3 * z + 3 * 2 * t + 3 * 2 * 4 * p; }},
      {2, [](int z, int w, int t, int p) { return z + 2 * w + 2 * 3 * t + 2 * 3 * 4 * p; }},
      {7, [](int z, int w, int t, int p) { return p + 2 * w + 2 * 3 * t + 2 * 3 * 4 * z; }},
      {14, [](int z, int w, int t, int p) { return t + 4 * p + 4 * 2 * w + 4 * 2 * 3 * z; }},
      {10, [](int z, int w, int t, int p) { return p + 2 * w + 2 * 3 * z + 2 * 3 * 2 * t; }},
  };
  for (const Case& c : cases) {
    Create(dir_.file("num.im"), 1, 1, nz, nw, nt, np, c.seq, IM_BYTE);
    for (int p = 0; p < np; ++p)
      for (int t = 0; t < nt; ++t)
        for (int w = 0; w < nw; ++w)
          for (int z = 0; z < nz; ++z) {
            int sec = -1;
            ASSERT_EQ(IMRtSecNum2(kOut, z, w, t, p, &sec), 0);
            EXPECT_EQ(sec, c.number(z, w, t, p)) << "seq " << c.seq;
          }
    IMClose(kOut);
  }
}

TEST_F(SectionTest, InverseOfEverySequenceIsABijection) {
  for (int seq = 0; seq < 15; ++seq) {
    Create(dir_.file("inv.im"), 1, 1, 2, 3, 4, 5, seq, IM_BYTE);
    std::vector<int> seen(120, 0);
    for (int sec = 0; sec < 120; ++sec) {
      int z, w, t, p, back = -1;
      ASSERT_EQ(IMRtZWTPNum(kOut, &z, &w, &t, &p, sec), 0);
      ASSERT_EQ(IMRtSecNum2(kOut, z, w, t, p, &back), 0);
      EXPECT_EQ(back, sec) << "seq " << seq;
      ++seen[size_t(z + 2 * (w + 3 * (t + 4 * p)))];
    }
    for (int n : seen) EXPECT_EQ(n, 1) << "seq " << seq;
    IMClose(kOut);
  }
}

TEST_F(SectionTest, CoordinateEdgeCases) {
  // The numbering itself is checked above; here the outputs and errors.
  Create(dir_.file("edge.im"), 1, 1, 2, 3, 4, 1, IM_WZTP, IM_BYTE);
  int sec = -1;
  int z, w, t, p;
  ASSERT_EQ(IMRtZWTPNum(kOut, nullptr, &w, nullptr, nullptr, 5), 0);  // outputs optional
  EXPECT_EQ(w, 2);

  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMRtSecNum2(kOut, 2, 0, 0, 0, &sec), IM_ERR_ZWTP); }),
            "[" + std::to_string(getpid()) +
                "] IMRtSecNum2 11: invalid Z,W,T,P coordinate.\nRequested 2 0 0 0, Stream has 2 3 "
                "4 1.\n");
  EXPECT_EQ(sec, 0);
  z = w = t = p = 9;
  EXPECT_EQ(IMRtZWTPNum(kOut, &z, &w, &t, &p, 24), IM_ERR_SECTION);
  EXPECT_EQ(z + w + t + p, 0);
  EXPECT_EQ(IMRtZWTPNum(kOut, &z, &w, &t, &p, -1), IM_ERR_SECTION);

  ASSERT_EQ(IMAlImageSequence(kOut, 15), 0);
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMRtSecNum2(kOut, 0, 0, 0, 0, &sec), IM_ERR_SEQUENCE);
  });
  EXPECT_EQ(printed, "IMRtSecNum2 11: invalid image sequence 15\n");
  EXPECT_EQ(IMRtZWTPNum(kOut, &z, &w, &t, &p, 3), IM_ERR_SEQUENCE);

  ASSERT_EQ(IMAlImageSequence(kOut, IM_WZTP), 0);
  IMAlVerboseLevel(1);
  EXPECT_EQ(imtest::StdoutOf([&] { EXPECT_EQ(IMRtSecNum2(kOut, 1, 0, 0, 0, &sec), 0); }),
            "IMRtSecNum2 11: iz=1, iw=0, it=0, ip=0, sec=3\n");
}

// Stored bytes of one value of a pixel type, host order.
std::vector<uint8_t> Stored(int mode, double v) {
  std::vector<uint8_t> b;
  auto put = [&b](const void* p, size_t n) {
    const uint8_t* c = static_cast<const uint8_t*>(p);
    b.insert(b.end(), c, c + n);
  };
  switch (mode) {
    case 0: { uint8_t x = uint8_t(v); put(&x, 1); break; }
    case 1: { int16_t x = int16_t(v); put(&x, 2); break; }
    case 2: { float x = float(v); put(&x, 4); break; }
    case 4: { float x[2] = {float(v), float(-v)}; put(x, 8); break; }
    case 6: { uint16_t x = uint16_t(v); put(&x, 2); break; }
    case 7: { int32_t x = int32_t(v); put(&x, 4); break; }
  }
  return b;
}

TEST_F(SectionTest, RoundTripOfTheConvertedTypesInBothByteOrders) {
  struct Case {
    int mode;
    std::vector<double> values;  // one section of 3 x 2 pixels
  } cases[] = {
      {0, {0, 1, 17, 128, 254, 255}},
      {1, {-32767, -1, 0, 1, 1234, 32767}},
      {2, {-1.5e30, -2.25, 0, 0.125, 3.5, 1e30}},
      {4, {0, 3, 4, 1.5, 10, 7}},
      {6, {0, 1, 300, 32768, 65534, 65535}},
      {7, {-2147483647.0, -70000, 0, 1, 70000, 2147483647.0}},
  };
  for (const Case& c : cases) {
    for (bool foreign : {false, true}) {
      std::string path = dir_.file("type" + std::to_string(c.mode) + ".im");
      Create(path, 3, 2, 2, 1, 1, 1, IM_ZWTP, c.mode);
      // Section 0 through the raw path, section 1 through conversion.
      std::vector<uint8_t> raw;
      for (double v : c.values) {
        std::vector<uint8_t> b = Stored(c.mode, v);
        raw.insert(raw.end(), b.begin(), b.end());
      }
      ASSERT_EQ(IMALCon(kOut, 0), 0);
      ASSERT_EQ(IMWrSec(kOut, raw.data()), 0);
      ASSERT_EQ(IMALCon(kOut, 1), 0);
      std::vector<float> floats;
      for (double v : c.values) {
        floats.push_back(float(v));
        if (c.mode == 4) floats.push_back(float(-v));  // complex pairs are written as given
      }
      ASSERT_EQ(IMWrSec(kOut, floats.data()), 0);
      IMClose(kOut);
      if (foreign) imtest::ConvertToForeignOrder(path);

      ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
      int id, swapped;
      IMRtFileID(kIn, &id, &swapped);
      EXPECT_EQ(swapped, foreign ? 1 : 0);
      for (int sec = 0; sec < 2; ++sec) {
        std::vector<float> back(6 * 2, -99);
        ASSERT_EQ(IMRdSec(kIn, back.data()), 0) << c.mode;
        for (size_t i = 0; i < 6; ++i) {
          double expected = c.mode == 4 ? std::fabs(c.values[i]) * std::sqrt(2.0) : c.values[i];
          EXPECT_FLOAT_EQ(back[i], float(expected))
              << "type " << c.mode << " foreign " << foreign << " section " << sec << " i " << i;
        }
      }
      // Without conversion the stored bytes come back in host order.
      ASSERT_EQ(IMALCon(kIn, 0), 0);
      ASSERT_EQ(IMPosn(kIn, 0, 0), 0);
      std::vector<uint8_t> bytes(raw.size());
      ASSERT_EQ(IMRdSec(kIn, bytes.data()), 0);
      EXPECT_EQ(bytes, raw) << "type " << c.mode << " foreign " << foreign;
      IMClose(kIn);
    }
  }
}

TEST_F(SectionTest, DoublePixelsPassAsStoredWhateverTheConversion) {
  // Doubles are never narrowed: with conversion on the caller's buffer
  // holds doubles too, and a foreign-order file's doubles come as read.
  const std::vector<double> values = {-1e300, -2.5, 0, 1e-300, 0.1, 1e300};
  std::vector<uint8_t> reversed(values.size() * 8);
  memcpy(reversed.data(), values.data(), reversed.size());
  for (size_t i = 0; i < values.size(); ++i) std::reverse(&reversed[8 * i], &reversed[8 * i + 8]);
  for (bool foreign : {false, true}) {
    std::string path = dir_.file("doubles.im");
    Create(path, 3, 2, 1, 1, 1, 1, IM_ZWTP, IM_DOUBLE);
    ASSERT_EQ(IMWrSec(kOut, values.data()), 0);
    IMClose(kOut);
    if (foreign) imtest::ConvertToForeignOrder(path);
    ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
    std::vector<uint8_t> back(values.size() * 8);
    ASSERT_EQ(IMRdSec(kIn, back.data()), 0);
    std::vector<uint8_t> as_written(values.size() * 8);
    memcpy(as_written.data(), values.data(), as_written.size());
    EXPECT_EQ(back, foreign ? reversed : as_written) << "foreign " << foreign;
    // A patch of the first column: 8 bytes per element of the buffer.
    ASSERT_EQ(IMPosn(kIn, 0, 0), 0);
    std::vector<double> column(2 * 2, -7);
    ASSERT_EQ(IMRdPas(kIn, column.data(), 2, 2, 0, 0, 0, 1), 0);
    if (!foreign) {
      EXPECT_EQ(column, (std::vector<double>{values[0], 0, values[3], 0}));
      // The float forms narrow them.
      std::vector<float> narrowed(6, -7), right(2, -7);
      ASSERT_EQ(IMPosn(kIn, 0, 0), 0);
      ASSERT_EQ(IMRdSecFloats(kIn, narrowed.data()), 0);
      EXPECT_EQ(narrowed, std::vector<float>(values.begin(), values.end()));
      ASSERT_EQ(IMPosn(kIn, 0, 0), 0);
      ASSERT_EQ(IMRdPalFloats(kIn, right.data(), 2, 2, 2), 0);
      EXPECT_EQ(right, (std::vector<float>{float(values[2]), float(values[5])}));
    }
    IMClose(kIn);
  }
}

TEST_F(SectionTest, ComplexShortIsRefused) {
  std::string path = dir_.file("c16.im");
  imtest::WriteImage(path, imtest::MakeHeader(2, 1, 1, 3, 100), {}, std::vector<uint8_t>(8, 1));
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> buffer(4);
  EXPECT_EQ(IMRdSec(kIn, buffer.data()), IM_ERR_COMPLEX_SHORT);
  IMClose(kIn);
  imtest::ConvertToForeignOrder(path);
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMRdSec(kIn, buffer.data()), IM_ERR_SWAP);
  });
  EXPECT_EQ(printed, "IMRdSec 12: byte swap failed\n");
}

// Writes one value with a call and returns the stored integer and the
// truncation message printed in verbose mode.
struct WriteResult {
  int64_t stored;
  std::string message;
};

WriteResult WriteOne(const std::string& path, int mode, int call, float value) {
  WriteResult r{0, ""};
  EXPECT_EQ(IMOpen(kOut, path.c_str(), "new"), 0);
  EXPECT_EQ(IMCrHdr3(kOut, 1, 1, 1, 1, 1, 1, IM_ZWTP, mode), 0);
  EXPECT_EQ(IMWrHdr2(kOut, 1), 0);
  IMAlVerboseLevel(1);
  int rc = -1;
  r.message = imtest::StderrOf([&] {
    switch (call) {
      case 0: rc = IMWrSec(kOut, &value); break;
      case 1: rc = IMWrSecl(kOut, &value, 1); break;
      case 2: rc = IMWrLin(kOut, &value); break;
      case 3: {
        // A 2-column buffer keeps the 1 x 1 patch from being a whole section.
        float row[2] = {value, 0};
        rc = IMWrPas(kOut, row, 2, 1, 0, 0, 0, 0);
        break;
      }
    }
  });
  IMAlVerboseLevel(0);
  EXPECT_EQ(rc, 0);
  IMClose(kOut);
  EXPECT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  EXPECT_EQ(IMALCon(kIn, 0), 0);
  uint8_t bytes[8] = {};
  EXPECT_EQ(IMRdSec(kIn, bytes), 0);
  IMClose(kIn);
  switch (mode) {
    case 0: r.stored = bytes[0]; break;
    case 1: { int16_t v; memcpy(&v, bytes, 2); r.stored = v; break; }
    case 6: { uint16_t v; memcpy(&v, bytes, 2); r.stored = v; break; }
    case 7: { int32_t v; memcpy(&v, bytes, 4); r.stored = v; break; }
  }
  return r;
}

TEST_F(SectionTest, ClampingAndRoundingOfTheWriteCalls) {
  enum { kSec = 0, kSecl = 1, kLin = 2, kPas = 3 };
  const char* names[] = {"IMWrSec", "IMWrSecl", "IMWrLin", "IMWrPas"};
  struct Case {
    int mode;
    int call;
    float value;
    int64_t stored;
    int hi, lo;  // -1: no message expected
  } cases[] = {
      {0, kSec, -3.7f, 0, 0, 1},        {0, kSec, 255.7f, 255, 1, 0},
      {0, kSec, 12.9f, 12, -1, -1},     {0, kSecl, 12.9f, 13, -1, -1},
      {0, kPas, 12.9f, 13, -1, -1},     {0, kLin, 12.9f, 13, -1, -1},
      {0, kSecl, -3.7f, 0, 0, 1},       {0, kSecl, 255.2f, 255, 1, 0},
      {0, kLin, 300.0f, 255, -1, -1},   {0, kLin, -3.7f, 0, -1, -1},
      {6, kSec, 65535.0f, 65535, -1, -1}, {6, kSec, 65535.9f, 65535, 1, 0},
      {6, kSecl, 65534.4f, 65534, -1, -1}, {6, kSecl, 65534.6f, 65535, 1, 0},
      {6, kSec, 70000.0f, 65535, 1, 0},  {6, kSec, -0.5f, 0, 0, 1},
      {6, kSecl, -0.4f, 0, -1, -1},     {1, kPas, 12.9f, 12, -1, -1},
      {1, kSec, 40000.0f, 32767, 1, 0}, {1, kSec, -40000.0f, -32767, 0, 1},
      {1, kSec, -12.9f, -12, -1, -1},   {1, kSecl, 12.9f, 12, -1, -1},
      {1, kLin, 12.6f, 13, -1, -1},     {1, kLin, -40000.0f, -32767, -1, -1},
      {7, kSec, 3e9f, 2147483647, 1, 0}, {7, kSec, -3e9f, -2147483648LL, 0, 1},
      {7, kSec, -7.9f, -7, -1, -1},     {7, kLin, 7.6f, 8, -1, -1},
      {0, kSec, NAN, 0, -1, -1},
  };
  for (const Case& c : cases) {
    WriteResult r = WriteOne(dir_.file("clamp.im"), c.mode, c.call, c.value);
    EXPECT_EQ(r.stored, c.stored) << names[c.call] << " type " << c.mode << " value " << c.value;
    std::string expected;
    if (c.hi >= 0)
      expected = std::string(names[c.call]) + " 11: intensity truncation (hi=" +
                 std::to_string(c.hi) + ", lo=" + std::to_string(c.lo) + ").\n";
    EXPECT_EQ(r.message, expected) << names[c.call] << " type " << c.mode << " value " << c.value;
  }
}

TEST_F(SectionTest, TruncationMessageOnlyInVerboseMode) {
  Create(dir_.file("quiet.im"), 2, 1, 1, 1, 1, 1, IM_ZWTP, IM_BYTE);
  float values[2] = {-1.0f, 999.0f};
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMWrSec(kOut, values), 0); }), "");
}

TEST_F(SectionTest, LargeSectionsCrossTheConversionScratchArea) {
  // 300 x 300 2-byte pixels are more than one 131072-byte scratch area.
  const int n = 300;
  std::string path = dir_.file("large.im");
  Create(path, n, n, 1, 1, 1, 1, IM_ZWTP, IM_USHORT);
  std::vector<float> out(size_t(n * n));
  for (size_t i = 0; i < out.size(); ++i) out[i] = float(i % 65536);
  ASSERT_EQ(IMWrSec(kOut, out.data()), 0);
  IMClose(kOut);
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> back(out.size());
  ASSERT_EQ(IMRdSec(kIn, back.data()), 0);
  EXPECT_EQ(back, out);
}

TEST_F(SectionTest, PositioningByNumberAndCoordinates) {
  std::string path = dir_.file("posn.im");
  Create(path, 2, 2, 2, 2, 3, 1, IM_WZTP, IM_FLOAT);
  for (int sec = 0; sec < 12; ++sec) {
    std::vector<float> s(4, float(sec));
    ASSERT_EQ(IMWrSec(kOut, s.data()), 0);
  }
  IMClose(kOut);
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> s(4);
  ASSERT_EQ(IMPosn(kIn, 7, 0), 0);
  ASSERT_EQ(IMRdSec(kIn, s.data()), 0);
  EXPECT_FLOAT_EQ(s[0], 7.0f);
  ASSERT_EQ(IMRdSec(kIn, s.data()), 0);  // sequential reads walk on
  EXPECT_FLOAT_EQ(s[0], 8.0f);
  ASSERT_EQ(IMPosnZWTP(kIn, 1, 0, 2, 0), 0);  // w + 2 z + 4 t = 10
  ASSERT_EQ(IMRdSec(kIn, s.data()), 0);
  EXPECT_FLOAT_EQ(s[0], 10.0f);
  ASSERT_EQ(IMPosn(kIn, 3, 1), 0);  // line 1 of section 3
  ASSERT_EQ(IMRdLin(kIn, s.data()), 0);
  EXPECT_FLOAT_EQ(s[0], 3.0f);
  ASSERT_EQ(IMRdLin(kIn, s.data()), 0);
  EXPECT_FLOAT_EQ(s[0], 4.0f);
  std::string err = imtest::StderrOf([&] {
    EXPECT_EQ(IMPosnZWTP(kIn, 2, 0, 0, 0), IM_ERR_POSITION);
  });
  EXPECT_NE(err.find("IMPosnZWTP 1 - invalid section number 12: error positioning stream.\n"),
            std::string::npos)
      << err;
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMPosn(kIn, -1000, 0), IM_ERR_POSITION);
  });
  EXPECT_EQ(printed, "IMPosn 12: error positioning stream.\n");
}

TEST_F(SectionTest, TruncatedFileGivesShortRead) {
  std::string path = dir_.file("trunc.im");
  imtest::WriteImage(path, imtest::MakeHeader(4, 4, 2, IM_USHORT, 100), {},
                     std::vector<uint8_t>(32 + 10, 7));
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> s(16);
  ASSERT_EQ(IMRdSec(kIn, s.data()), 0);
  std::string err = imtest::StderrOf([&] { EXPECT_EQ(IMRdSec(kIn, s.data()), IM_ERR_READ_COUNT); });
  EXPECT_EQ(err.rfind("IMRdSec 12: only 5 pixels read (EOF=1).\n        ", 0), 0u) << err;
}

TEST_F(SectionTest, PatchesReadZeroFillAndWriteInPlace) {
  std::string path = dir_.file("patch.im");
  Create(path, 5, 4, 2, 1, 1, 1, IM_ZWTP, IM_SHORT);
  std::vector<float> sec(20);
  for (int i = 0; i < 20; ++i) sec[size_t(i)] = float(i);
  ASSERT_EQ(IMWrSec(kOut, sec.data()), 0);
  for (float& v : sec) v += 100;
  ASSERT_EQ(IMWrSec(kOut, sec.data()), 0);
  // Overwrite columns 1-2 of rows 2-3 of section 0, taken from a 5 x 4 buffer.
  std::vector<float> patch(20, 0);
  patch[2 * 5 + 1] = -1;
  patch[2 * 5 + 2] = -2;
  patch[3 * 5 + 1] = -3;
  patch[3 * 5 + 2] = -4.6f;
  ASSERT_EQ(IMPosn(kOut, 0, 0), 0);
  ASSERT_EQ(IMWrPas(kOut, patch.data(), 5, 4, 1, 2, 2, 3), 0);
  // Columns 1-2 of row 0 of section 1 from a buffer only 2 columns wide:
  // its elements 1 and 2.
  const float narrow[3] = {-7, -8, -9};
  ASSERT_EQ(IMWrPas(kOut, narrow, 2, 1, 1, 2, 0, 0), 0);
  IMClose(kOut);

  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> buf(4 * 3, 99);
  ASSERT_EQ(IMRdPas(kIn, buf.data(), 4, 3, 1, 3, 1, 3), 0);
  std::vector<float> expected = {6, 7, 8, 0, -1, -2, 13, 0, -3, -4, 18, 0};
  EXPECT_EQ(buf, expected);
  // The stream now stands at section 1.
  std::vector<float> next(20);
  ASSERT_EQ(IMRdSec(kIn, next.data()), 0);
  EXPECT_EQ(std::vector<float>(next.begin(), next.begin() + 4),
            (std::vector<float>{100, -8, -9, 103}));
  // The corners are the caller's: a patch running past the right edge
  // takes the next row's first pixels, one starting left of the section
  // the previous row's last.
  ASSERT_EQ(IMPosn(kIn, 0, 0), 0);
  std::vector<float> wrap(3, 99);
  ASSERT_EQ(IMRdPas(kIn, wrap.data(), 3, 1, 3, 5, 1, 1), 0);
  EXPECT_EQ(wrap, (std::vector<float>{8, 9, 10}));
  ASSERT_EQ(IMRdPas(kIn, wrap.data(), 3, 1, -1, 1, 1, 1), 0);
  EXPECT_EQ(wrap, (std::vector<float>{104, 105, 106}));
  // A patch of the whole section with an exact buffer is a section read.
  ASSERT_EQ(IMPosn(kIn, 1, 0), 0);
  ASSERT_EQ(IMRdPas(kIn, next.data(), 5, 4, 0, 4, 0, 3), 0);
  EXPECT_FLOAT_EQ(next[19], 119.0f);

  struct Bad {
    int cols, rows, x0, x1, y0, y1, rc;
    const char* message;
  } bad[] = {
      {4, 4, 0, 4, 0, 0, 402, "IMRdPas 12: too many columns (5/4/5).\n"},
      {6, 4, 0, 5, 0, 0, 402, "IMRdPas 12: too many columns (6/6/5).\n"},
      {5, 2, 0, 0, 0, 2, 403, "IMRdPas 12: too many rows (3/2/4).\n"},
      {5, 9, 0, 0, 0, 4, 403, "IMRdPas 12: too many rows (5/9/4).\n"},
  };
  std::vector<float> big(64);
  for (const Bad& b : bad) {
    const std::string printed = imtest::StderrOf([&] {
      EXPECT_EQ(IMRdPas(kIn, big.data(), b.cols, b.rows, b.x0, b.x1, b.y0, b.y1), b.rc);
    });
    EXPECT_EQ(printed, b.message);
  }
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMWrPas(kIn, big.data(), 8, 8, 0, 5, 0, 0), 402);
  });
  EXPECT_EQ(printed, "IMWrPas 12: too many columns (6/8/5).\n");
}

TEST_F(SectionTest, LineRunsAndColumnRanges) {
  std::string path = dir_.file("lines.im");
  Create(path, 4, 3, 1, 1, 1, 1, IM_ZWTP, IM_BYTE);
  std::vector<float> rows = {0, 1, 2, 3, 10, 11, 12, 13};
  ASSERT_EQ(IMWrSecl(kOut, rows.data(), 2), 0);
  std::vector<float> last = {20, 21, 22, 23};
  ASSERT_EQ(IMWrLin(kOut, last.data()), 0);
  IMClose(kOut);
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "ro"), 0);
  std::vector<float> cols(6);
  ASSERT_EQ(IMRdPal(kIn, cols.data(), 1, 2, 3), 0);
  EXPECT_EQ(cols, (std::vector<float>{1, 2, 11, 12, 21, 22}));
  ASSERT_EQ(IMPosn(kIn, 0, 1), 0);
  int rc = 0;
  std::string err = imtest::StderrOf([&] { rc = IMRdPal(kIn, cols.data(), 1, 2, 3); });
  EXPECT_EQ(rc, IM_ERR_READ_COUNT);
  EXPECT_EQ(err.rfind("IMRdPal 12: only 0 pixels read (EOF=1).\n", 0), 0u) << err;
  EXPECT_EQ(imtest::StderrOf([&] { rc = IMRdPal(kIn, cols.data(), -1, 2, 1); }),
            "IMRdPal 12: invalid column range (-1 -> 2, NX=4).\n");
  EXPECT_EQ(rc, IM_ERR_TOO_MANY_COLUMNS);
  ASSERT_EQ(IMPosn(kIn, 0, 1), 0);
  std::vector<float> two(8);
  ASSERT_EQ(IMRdSecl(kIn, two.data(), 2), 0);
  EXPECT_FLOAT_EQ(two[7], 23.0f);

  ASSERT_EQ(IMALCon(kIn, 0), 0);
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMWrLin(kIn, two.data()), IM_ERR_NOT_IMPLEMENTED);
    EXPECT_EQ(IMWrPal(kIn, two.data(), 0, 1, 1), IM_ERR_UNSUPPORTED);
  });
  EXPECT_EQ(printed,
            "IMWrLin: write without conversion not implemented yet.\n"
            "IMWrPal 12: unsupported function.\n");
}

TEST_F(SectionTest, WritesThatNeverReachAFullDiskAreReported) {
  // The file is /dev/full behind a link: every write of buffered data fails.
  std::string full = dir_.file("full.im");
  ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
  const std::string no_space = "        " + std::string(strerror(ENOSPC)) + "\n";
  std::vector<float> pixels(5 * 3, 1.0f);
  struct Case {
    const char* what;
    std::function<int()> call;
    int rc;
    std::string message;
  } cases[] = {
      {"header", [] { return IMWrHdr2(kOut, 0); }, IM_ERR_WRITE_HEADER,
       "IMWrHdr2 11: unable to write the header to the file.\n"},
      {"header and extended header", [] { return IMWrHdr2(kOut, 1); }, IM_ERR_WRITE_EXT_HEADER,
       "IMWrHdr2 11: unable to write the header and extended header to the file.\n"},
      {"section", [&] { return IMWrSec(kOut, pixels.data()); }, IM_ERR_WRITE_COUNT,
       "IMWrSec 11: incorrect number of pixels written.\n"},
      // Whole rows from a wider buffer: a patch, written without a seek
      // (a seek would write the buffer out and fail with 301 instead).
      {"patch", [&] { return IMWrPas(kOut, pixels.data(), 5, 3, 0, 3, 0, 2); },
       IM_ERR_WRITE_COUNT, "IMWrPas 11: incorrect number of pixels written.\n"},
      {"lines, then sync", [&] { IMWrSecl(kOut, pixels.data(), 1); return IMFileSync(kOut); },
       IM_ERR_WRITE_COUNT, "IMFileSync 11: unable to write the buffered data to disk.\n"},
      {"lines, then close", [&] { IMWrSecl(kOut, pixels.data(), 1); return IMClose(kOut); },
       IM_ERR_WRITE_COUNT,
       "IMClose 11: unable to write the buffered data when closing the file.\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(IMOpen(kOut, full.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(kOut, 4, 3, 1, 1, 1, 1, IM_ZWTP, IM_FLOAT), 0);
    int rc = 0;
    EXPECT_EQ(imtest::StderrOf([&] { rc = c.call(); }), c.message + no_space) << c.what;
    EXPECT_EQ(rc, c.rc) << c.what;
    imtest::StderrOf([] { IMClose(kOut); });
  }
}

TEST_F(SectionTest, ReadWriteSwitchOnOneBufferedStream) {
  // A write after a read (and the reverse) on one stdio stream must land
  // where the offsets say.
  std::string path = dir_.file("rw.im");
  Create(path, 2, 1, 3, 1, 1, 1, IM_ZWTP, IM_FLOAT);
  float a[2] = {1, 2}, b[2] = {3, 4}, c[2] = {5, 6};
  ASSERT_EQ(IMWrSec(kOut, a), 0);
  ASSERT_EQ(IMWrSec(kOut, b), 0);
  ASSERT_EQ(IMWrSec(kOut, c), 0);
  IMClose(kOut);
  ASSERT_EQ(IMOpen(kIn, path.c_str(), "old"), 0);
  float r[2];
  ASSERT_EQ(IMRdSec(kIn, r), 0);
  float d[2] = {7, 8};
  ASSERT_EQ(IMWrSec(kIn, d), 0);  // overwrites section 1
  ASSERT_EQ(IMRdSec(kIn, r), 0);
  EXPECT_FLOAT_EQ(r[0], 5.0f);
  ASSERT_EQ(IMPosn(kIn, 1, 0), 0);
  ASSERT_EQ(IMRdSec(kIn, r), 0);
  EXPECT_FLOAT_EQ(r[1], 8.0f);
}

}  // namespace
