// Damaged and absurd image files: every call answers with a code, never a
// crash, a hang or an allocation of the sizes the header claims.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image_files.h"
#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;
using imtest::MakeHeader;
using imtest::RawHeader;

namespace {

constexpr int kS = 41;

struct Damage {
  const char* what;
  void (*edit)(RawHeader*);
  size_t pixel_bytes;  // bytes after the header
  int open_rc;         // code of the open
  int read_rc;         // code of the first section read (when open left a stream)
};

// Runs the calls a reader makes on an image, with buffers sized by the
// library's answers but never beyond a small bound.
void ExerciseOpenStream() {
  int nx = 0, ny = 0, nz, nw, nt, np, seq;
  IMRtXY(kS, &nx, &ny);
  IMRtZWTP(kS, &nz, &nw, &nt, &np, &seq);
  double value = 0;
  IMRtExHdrValueZWTP(kS, 0, 0, 0, 0, 13, &value);
  IMRtExHdrValueZWTP(kS, nz > 0 ? nz - 1 : 0, 0, nt > 0 ? nt - 1 : 0, 0, 1002, &value);
  int ints[64];
  float floats[64];
  IMRtExHdr(kS, 0, nullptr, nullptr);
  (void)ints;
  (void)floats;
  char* text = nullptr;
  if (IMRtField(kS, "x", &text, nullptr, nullptr) == 0) free(text);
  IMRtNumFields(kS);
  int z, w, t, p;
  IMRtZWTPNum(kS, &z, &w, &t, &p, 5);
  int sec = 0;
  IMRtSecNum2(kS, 0, 0, 0, 0, &sec);
  imtest::StdoutOf([&] { IMReportInfo(kS); });
}

TEST(RobustnessTest, DamagedHeadersGiveCodes) {
  ScopedTempDir dir;
  Damage cases[] = {
      {"sections far beyond the file",
       [](RawHeader* h) { h->Set<int32_t>(8, 2000000000); }, 64, 0, 0},
      {"huge next", [](RawHeader* h) { h->Set<int32_t>(92, 0x7fffffff); }, 64, 902, 0},
      {"next beyond the file", [](RawHeader* h) { h->Set<int32_t>(92, 4096); }, 64, 210, 212},
      {"negative next", [](RawHeader* h) { h->Set<int32_t>(92, -4096); }, 64, 301, 0},
      {"negative size", [](RawHeader* h) { h->Set<int32_t>(0, -8); }, 64, 0, 302},
      {"zero rows", [](RawHeader* h) { h->Set<int32_t>(4, 0); }, 64, 0, 303},
      {"negative sections", [](RawHeader* h) { h->Set<int32_t>(8, -3); }, 64, 0, 0},
      {"negative per-section counts",
       [](RawHeader* h) {
         h->Set<int32_t>(92, 1024);
         h->Set<int16_t>(128, -7);
         h->Set<int16_t>(130, -9);
       },
       1024 + 64, 0, 0},
      {"huge per-section counts",
       [](RawHeader* h) {
         h->Set<int32_t>(8, 2000000000);
         h->Set<int32_t>(92, 2048);
         h->Set<int16_t>(128, 32767);
         h->Set<int16_t>(130, 32767);
         h->Set<uint16_t>(100, 4);
       },
       2048 + 64, 0, 0},
      {"huge counts of every dimension",
       [](RawHeader* h) {
         h->Set<uint16_t>(180, 65535);
         h->Set<uint16_t>(196, 65535);
         h->Set<int32_t>(852, 0x7fffffff);
         h->Set<int32_t>(880, 0x7fffffff);
         h->Set<int32_t>(28, 0x7fffffff);
         h->Set<int32_t>(8, 0x7fffffff);
       },
       64, 0, 0},
      {"image larger than the file",
       [](RawHeader* h) {
         h->Set<int32_t>(0, 1024);
         h->Set<int32_t>(4, 1024);
       },
       64, 0, 212},
      {"2-byte complex", [](RawHeader* h) { h->Set<int32_t>(12, 3); }, 64, 0, 905},
  };
  for (const Damage& d : cases) {
    std::string path = dir.file("damaged.im");
    RawHeader h = MakeHeader(4, 4, 1, IM_USHORT, 100);
    d.edit(&h);
    imtest::WriteImage(path, h, {}, std::vector<uint8_t>(d.pixel_bytes, 1));
    imtest::StderrOf([&] {
      int rc = IMOpen(kS, path.c_str(), "ro");
      EXPECT_EQ(rc, d.open_rc) << d.what;
      if (rc == 0 || rc == 210) {
        int nx = 0, ny = 0;
        IMRtXY(kS, &nx, &ny);
        bool small = nx > 0 && ny > 0 && int64_t(nx) * ny <= (1 << 20);
        std::vector<float> section(small ? size_t(nx) * size_t(ny) : 1);
        int read_rc = IMRdSec(kS, section.data());
        if (small || read_rc != 0) {
          EXPECT_EQ(read_rc, d.read_rc) << d.what;
        }
        ExerciseOpenStream();
        IMClose(kS);
      }
    });
  }
}

TEST(RobustnessTest, EveryTruncationOfAValidFile) {
  ScopedTempDir dir;
  std::string good = dir.file("good.im");
  ASSERT_EQ(IMOpen(kS, good.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kS, 4, 3, 2, 1, 1, 1, IM_ZWTP, IM_SHORT), 0);
  ASSERT_EQ(IMAlFieldChar(kS, "note", "kept"), 0);
  std::vector<int> ints(8, 7);
  std::vector<float> floats(32, 0.5f);
  ASSERT_EQ(IMAlExHdr(kS, 0, ints.data(), floats.data()), 0);
  ASSERT_EQ(IMWrHdr2(kS, 1), 0);
  std::vector<float> px(12, 3.0f);
  ASSERT_EQ(IMWrSec(kS, px.data()), 0);
  ASSERT_EQ(IMWrSec(kS, px.data()), 0);
  IMClose(kS);
  std::vector<uint8_t> bytes = imtest::FileBytes(good);
  // Cut at every interesting boundary and a few in between.
  std::vector<size_t> cuts = {0, 1, 96, 97, 1023, 1024, 1025, 1024 + 160, 2048,
                              bytes.size() - 25, bytes.size() - 1};
  for (size_t cut : cuts) {
    std::string path = dir.file("cut.im");
    tremoscan::testing::WriteFile(path, std::string(bytes.begin(), bytes.begin() + long(cut)));
    imtest::StderrOf([&] {
      int rc = IMOpen(kS, path.c_str(), "ro");
      const size_t pixels_at = 1024 + 4096;  // header + extended header
      if (cut < 1024) {
        EXPECT_EQ(rc, IM_ERR_READ_HEADER) << cut;
      } else if (cut < pixels_at) {
        EXPECT_EQ(rc, IM_ERR_READ_EXT_HEADER) << cut;
        // The extended header holds what the file held, zeros after it.
        int type = 0, size = 0, nint = 0, nreal = 0;
        EXPECT_EQ(IMRtExHdrInfo(kS, &type, &size, &nint, &nreal), 0) << cut;
        EXPECT_EQ(size, 4096) << cut;
        std::vector<int> got_ints(8, -1);
        std::vector<float> got_floats(32, -1);
        EXPECT_EQ(IMRtExHdr(kS, 0, got_ints.data(), got_floats.data()), 0) << cut;
        EXPECT_EQ(got_ints[0], cut > 1024 ? 7 : 0) << cut;  // its low byte comes first
        EXPECT_EQ(got_floats[31], cut >= 1024 + 160 ? 0.5f : 0.0f) << cut;
      } else {
        EXPECT_EQ(rc, 0) << cut;
      }
      if (rc == 0 || rc == IM_ERR_READ_EXT_HEADER) {
        std::vector<float> section(12);
        EXPECT_EQ(IMRdSec(kS, section.data()), cut < pixels_at + 24 ? 212 : 0) << cut;
        EXPECT_EQ(IMRdSec(kS, section.data()), 212) << cut;
        ExerciseOpenStream();
        IMClose(kS);
      }
    });
  }
}

}  // namespace
