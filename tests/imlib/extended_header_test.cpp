// Extended header values (types, value index, create, resize, copy) and the
// named field store with its text format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image_files.h"
#include "imlib.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;

namespace {

constexpr int kA = 21, kB = 22;

class ExtHeaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    imtest::StderrOf([&] {
      IMClose(kA);
      IMClose(kB);
    });
    IMAlVerboseLevel(0);
  }
  // A file with one section, extended header type 2 (0 ints, 2 floats) and
  // the given text at the start of its field area.
  std::string FileWithFieldText(const std::string& text) {
    std::string path = dir_.file("fields.im");
    imtest::RawHeader h = imtest::MakeHeader(1, 1, 1, IM_BYTE, 100);
    h.Set<int32_t>(92, 1024);
    h.Set<int16_t>(128, 0);
    h.Set<int16_t>(130, 2);
    std::vector<uint8_t> ext(1024, 0);
    memcpy(ext.data() + 8, text.data(), text.size());
    imtest::WriteImage(path, h, ext, {42});
    return path;
  }
  ScopedTempDir dir_;
};

TEST_F(ExtHeaderTest, ParsesOneFloatRecord) {
  ASSERT_EQ(IMOpen(kA, FileWithFieldText("gain,f,8=0.100000\n\r").c_str(), "ro"), 0);
  EXPECT_EQ(IMRtNumFields(kA), 1);
  float gain = 0;
  EXPECT_EQ(IMRtFieldFloat(kA, "gain", &gain), 0);
  EXPECT_FLOAT_EQ(gain, 0.1f);
  char* value = nullptr;
  char type = 'x';
  int size = 0;
  EXPECT_EQ(IMRtField(kA, "GAIN", &value, &type, &size), 0);
  EXPECT_STREQ(value, "0.100000");
  EXPECT_EQ(type, 'f');
  EXPECT_EQ(size, 8);
  free(value);
  EXPECT_EQ(IMRtFieldHdrSize(kA), 1024 - 8 - 1);
}

TEST_F(ExtHeaderTest, UnparsableNumbersAreInvalidContents) {
  ASSERT_EQ(IMOpen(kA, FileWithFieldText("n,i,3=12x\nx,f,1=.\ny,d,0=\n\r").c_str(), "ro"), 0);
  int i = 0;
  float f = 0;
  double d = 0;
  EXPECT_EQ(IMRtFieldInt(kA, "n", &i), IM_ERR_FIELD_CONTENTS);
  EXPECT_EQ(IMRtFieldFloat(kA, "x", &f), IM_ERR_FIELD_CONTENTS);
  EXPECT_EQ(IMRtFieldDouble(kA, "y", &d), IM_ERR_FIELD_CONTENTS);
}

TEST_F(ExtHeaderTest, MalformedRecordsGiveTheirCodes) {
  struct Case {
    std::string text;
    int rc;
    std::string message;
    int fields;  // records parsed before the bad one
  } cases[] = {
      {"a,c,5=abc\n\r", 725, "", 0},
      {"ok,i,1=7\nb,c,2=abcd\n\r", 723,
       "iReadAllFields: field size mismatch or delimiter problem:\nfield 1\nfield=\"b\"\n"
       "field size=2\nlast char=99/10\npos=17/20\n",
       1},
      {"a,c,x=abc\n\r", 724, "Error parsing field size from x\n", 0},
      {"a,cc,1=x\n\r", 722, "", 0},
      {"no comma here\r", 721, "", 0},
      {std::string(64, 'n') + ",c,1=x\n\r", 736, "", 0},
      {"a,c,12345\r", 723, "", 0},
      {"\r", 730, "", 0},
      {"", 730, "", 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(IMOpen(kA, FileWithFieldText(c.text).c_str(), "ro"), 0);
    char* value = nullptr;
    int rc = 0;
    std::string err =
        imtest::StderrOf([&] { rc = IMRtField(kA, "zzz", &value, nullptr, nullptr); });
    EXPECT_EQ(rc, c.rc) << c.text;
    EXPECT_EQ(err, c.message) << c.text;
    EXPECT_EQ(IMRtNumFields(kA), c.fields) << c.text;
    IMClose(kA);
  }
}

// A new file with a type-4 extended header of 1 field block (1024 bytes).
void CreateWithFieldBlocks(int stream, const std::string& path, int sections, int blocks) {
  ASSERT_EQ(IMOpen(stream, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(stream, 2, 2, sections, 1, 1, 1, IM_ZWTP, IM_FLOAT), 0);
  ASSERT_EQ(IMCrExHdr(stream, 4, blocks), 0);
}

TEST_F(ExtHeaderTest, FieldTextFormatAddReplaceAndWrite) {
  std::string path = dir_.file("format.im");
  CreateWithFieldBlocks(kA, path, 1, 1);
  EXPECT_EQ(IMAlFieldInt(kA, "alpha", 42), 0);
  EXPECT_EQ(IMAlFieldChar(kA, "beta", "hello"), 0);
  EXPECT_EQ(IMAlFieldDouble(kA, "gamma", 2.5), 0);
  const unsigned char bin[3] = {0, 10, 13};  // line feed and return inside binary
  EXPECT_EQ(IMAlFieldBinary(kA, "delta", bin, 3), 0);
  EXPECT_EQ(IMRtNumFields(kA), 4);
  EXPECT_EQ(IMAlFieldInt(kA, "alpha", -7), 0);  // replaced in place
  EXPECT_EQ(IMRtNumFields(kA), 4);
  ASSERT_EQ(IMWrHdr2(kA, 1), 0);
  IMClose(kA);

  std::vector<uint8_t> bytes = imtest::FileBytes(path);
  int32_t next;
  memcpy(&next, bytes.data() + 92, 4);
  EXPECT_EQ(next, 1024 + 1024);  // 160 bytes of values rounded up + 1 field block
  size_t area = 1024 + 160;
  std::string expected = "alpha,i,2=-7\nbeta,c,5=hello\ngamma,d,8=2.500000\ndelta,b,3=";
  expected += std::string("\0\n\r", 3);
  expected += "\n\r";
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes.data() + area), expected.size()), expected);
  for (size_t i = area + expected.size(); i < 1024 + size_t(next) - 1; ++i)
    ASSERT_EQ(bytes[i], 0) << i;

  ASSERT_EQ(IMOpen(kB, path.c_str(), "ro"), 0);
  int a = 0;
  EXPECT_EQ(IMRtFieldInt(kB, "alpha", &a), 0);
  EXPECT_EQ(a, -7);
  void* b = nullptr;
  int size = 0;
  EXPECT_EQ(IMRtFieldBinary(kB, "delta", &b, &size), 0);
  EXPECT_EQ(size, 3);
  EXPECT_EQ(memcmp(b, bin, 3), 0);
  free(b);
  int index = -1;
  EXPECT_EQ(IMFindFieldNum(kB, "BETA", &index), 0);
  EXPECT_EQ(index, 1);
  char* name = nullptr;
  char* value = nullptr;
  char type = 0;
  EXPECT_EQ(IMRtFieldNum(kB, 2, &name, &type, &size, &value), 0);
  EXPECT_STREQ(name, "gamma");
  EXPECT_STREQ(value, "2.500000");
  EXPECT_EQ(type, 'd');
  free(name);
  free(value);
  EXPECT_EQ(IMRtFieldNum(kB, 4, nullptr, nullptr, nullptr, nullptr), IM_ERR_FIELD_NUMBER);
  int space = 0;
  EXPECT_EQ(IMRtFieldHdrSpace(kB, &space), 0);
  EXPECT_EQ(space, IMRtFieldHdrSize(kB) - int(expected.size()));
}

TEST_F(ExtHeaderTest, FieldLookupCodes) {
  std::string path = dir_.file("lookup.im");
  CreateWithFieldBlocks(kA, path, 1, 1);
  ASSERT_EQ(IMAlFieldChar(kA, "text", "abc"), 0);
  ASSERT_EQ(IMAlFieldChar(kA, "number", "12x"), 0);
  int i = 0;
  float f = 0;
  char* c = nullptr;
  EXPECT_EQ(IMRtFieldInt(kA, "text", &i), IM_ERR_FIELD_MISMATCH);
  EXPECT_EQ(IMRtFieldFloat(kA, "missing", &f), IM_ERR_FIELD_NOT_FOUND);
  EXPECT_EQ(IMRtFieldInt(kA, nullptr, &i), IM_ERR_FIELD_NULL);
  EXPECT_EQ(IMRtFieldInt(kA, "text", nullptr), IM_ERR_FIELD_NULL);
  EXPECT_EQ(IMRtFieldChar(kA, "text", &c), 0);
  EXPECT_STREQ(c, "abc");
  free(c);
  char type = 'x';
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMRtField(kA, nullptr, nullptr, &type, nullptr), IM_ERR_FIELD_NULL);
    EXPECT_EQ(IMFindFieldNum(kA, nullptr, &i), IM_ERR_FIELD_NULL);
    EXPECT_EQ(IMAlField(kA, "t", "x", 'q', 1), IM_ERR_FIELD_TYPE);
  });
  EXPECT_EQ(printed,
            "IMRtField: NULL field name requested.\nIMFindFieldNum: NULL field name requested.\n"
            "IMAlField: unrecognized field type (q).\n");
  EXPECT_EQ(type, '0');
  EXPECT_EQ(IMAlFieldInt(kA, nullptr, 1), IM_ERR_FIELD_NAME);
  EXPECT_EQ(IMAlFieldInt(kA, std::string(64, 'x').c_str(), 1), IM_ERR_FIELD_NAME_LONG);
  EXPECT_EQ(IMAlFieldInt(kA, std::string(63, 'x').c_str(), 1), 0);
  EXPECT_EQ(IMAlFieldInt(kA, "a,b", 1), IM_ERR_FIELD_NAME);

  IMAlVerboseLevel(1);
  std::string out = imtest::StdoutOf([&] {
    EXPECT_EQ(IMAlFieldInt(kA, "count", 5), 0);
    EXPECT_EQ(IMAlFieldInt(kA, "count", 6), 0);
    EXPECT_EQ(IMRtFieldInt(kA, "count", &i), 0);
  });
  EXPECT_NE(out.find("Adding new field (3)...\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Replacing existing field (3)...\n"), std::string::npos) << out;
  EXPECT_NE(out.find("IMRtFieldInt: \"count\" resolved 6\n"), std::string::npos) << out;
}

TEST_F(ExtHeaderTest, FieldAreaOverflow) {
  std::string path = dir_.file("overflow.im");
  CreateWithFieldBlocks(kA, path, 1, 1);
  int capacity = IMRtFieldHdrSize(kA);
  ASSERT_EQ(capacity, 2048 - 160 - 1);
  std::string big(1000, 'a');
  EXPECT_EQ(IMAlFieldChar(kA, "first", big.c_str()), 0);
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMAlFieldChar(kA, "second", big.c_str()), IM_ERR_FIELD_SPACE);
  });
  EXPECT_EQ(printed,
            "Stream 21 out of field header space. (Field 1,size=2030,max allowed=1887,ext hdr "
            "size=2048).\n");
  EXPECT_EQ(IMRtNumFields(kA), 2);  // kept in the store
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMWrHdr2(kA, 1), 0); }),
            "IMWrHdr2 21: field header overrun\n  num fields=1 out of 2 expected\n"
            "  num bytes stored=1015 out of 2030 expected (max allowed=1887\n");
  IMClose(kA);
  ASSERT_EQ(IMOpen(kB, path.c_str(), "ro"), 0);
  EXPECT_EQ(IMRtNumFields(kB), 1);
}

TEST_F(ExtHeaderTest, TypesAndTheValueIndex) {
  std::string path = dir_.file("values.im");
  ASSERT_EQ(IMOpen(kA, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kA, 2, 2, 1, 1, 3, 1, IM_ZWTP, IM_FLOAT), 0);
  int type = 0, size = 0, nint = 0, nreal = 0;
  ASSERT_EQ(IMRtExHdrInfo(kA, &type, &size, &nint, &nreal), 0);
  EXPECT_EQ(type, 4);
  EXPECT_EQ(size, (1 + 3) * 1024);  // 3 x 160 bytes -> 1 kilobyte, + 3 field blocks
  EXPECT_EQ(nint, 8);
  EXPECT_EQ(nreal, 32);
  for (int t = 0; t < 3; ++t) {
    int ints[8];
    float floats[32];
    for (int i = 0; i < 8; ++i) ints[i] = 100 * t + i;
    for (int i = 0; i < 32; ++i) floats[i] = 0.5f * i + t;
    ASSERT_EQ(IMAlExHdrZWTP(kA, 0, 0, t, 0, ints, floats), 0);
  }
  struct Case {
    int t, index, rc;
    double value;
  } cases[] = {
      {0, 13, 0, 6.5},           {2, 0, 0, 2.0},     {1, 20, 0, 11.0},
      {1, 1002, 0, 102 + 1e-10}, {2, 1004, 0, 204 + 1e-10},
      {0, 21, 701, 0},           {0, 999, 701, 0},   {0, 1005, 701, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(IMRtExHdrValueZWTP(kA, 0, 0, c.t, 0, c.index, &v), c.rc) << c.index;
    EXPECT_DOUBLE_EQ(v, c.value) << c.index;
  }
  ASSERT_EQ(IMAlExHdrValueZWTP(kA, 0, 0, 1, 0, 13, 2.75), 0);
  double v = 0;
  ASSERT_EQ(IMRtExHdrValueZWT(kA, 0, 0, 1, 13, &v), 0);
  EXPECT_DOUBLE_EQ(v, 2.75);

  // A stored type of 0 is derived from the counts (float 15 decides 3 or 4).
  ASSERT_EQ(IMAlExHdrInfo(kA, 0, 1024, 8, 32), 0);
  ASSERT_EQ(IMRtExHdrType(kA, &type), 0);
  EXPECT_EQ(type, 3);
  float floats[32] = {};
  int ints[8] = {};
  floats[15] = 1e-3f;
  ASSERT_EQ(IMAlExHdr(kA, 0, ints, floats), 0);
  ASSERT_EQ(IMRtExHdrType(kA, &type), 0);
  EXPECT_EQ(type, 4);
  struct Derived {
    int nint, nreal, file_type, type;
  } derived[] = {{1, 1, 100, 1}, {0, 2, 0, 2}, {0, 2, 2, 0}, {3, 3, 100, 0}};
  for (const Derived& d : derived) {
    ASSERT_EQ(IMAlExHdrInfo(kA, 0, 1024, d.nint, d.nreal), 0);
    ASSERT_EQ(IMAlFileType(kA, d.file_type), 0);
    ASSERT_EQ(IMRtExHdrType(kA, &type), 0);
    EXPECT_EQ(type, d.type) << d.nint << "/" << d.nreal << " file type " << d.file_type;
  }
  ASSERT_EQ(IMAlExHdrInfo(kA, 0, 1024, 3, 3), 0);
  v = -1;
  EXPECT_EQ(IMRtExHdrValueZWTP(kA, 0, 0, 0, 0, 0, &v), 1);  // no index table for type 0
  EXPECT_EQ(v, 0);
}

TEST_F(ExtHeaderTest, SectionValueChecks) {
  std::string path = dir_.file("checks.im");
  ASSERT_EQ(IMOpen(kA, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kA, 1, 1, 2, 1, 1, 1, IM_ZWTP, IM_BYTE), 0);
  ASSERT_EQ(IMAlExHdrInfo(kA, 1, 16, 1, 1), 0);  // two sections of 8 bytes
  int i = 5;
  float f = 2.5f;
  EXPECT_EQ(IMAlExHdr(kA, 1, &i, &f), 0);
  int ri = 0;
  float rf = 0;
  EXPECT_EQ(IMRtExHdr(kA, 1, &ri, &rf), 0);
  EXPECT_EQ(ri, 5);
  EXPECT_FLOAT_EQ(rf, 2.5f);
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMAlExHdr(kA, 2, &i, &f), IM_ERR_EXT_TOO_SMALL);
    EXPECT_EQ(IMAlExHdr(kA, -1, &i, &f), IM_ERR_EXT_TOO_SMALL);
    EXPECT_EQ(IMRtExHdr(kA, 3, &ri, &rf), IM_ERR_EXT_SECTION);
    EXPECT_EQ(IMRtExHdr(kA, 4, &ri, &rf), IM_ERR_EXT_TOO_SMALL);
  });
  EXPECT_EQ(printed,
            "IMAlExHdr iStream 21: invalid section number (2). Extended header is too small (16 "
            "bytes).\n"
            "IMAlExHdr iStream 21: invalid section number (-1). Extended header is too small (16 "
            "bytes).\n"
            "IMRtExHdr 21: invalid section number.\n");
  EXPECT_EQ(IMRtExHdrZWTP(kA, 0, 0, 4, 0, &ri, &rf), IM_ERR_EXT_TOO_SMALL);
  ASSERT_EQ(IMAlExHdrInfo(kA, 0, 0, 0, 0), 0);
  int nint = 9, nreal = 9;
  EXPECT_EQ(IMRtExHdrSize(kA, &nint, &nreal), IM_ERR_EXT_TOO_SMALL);
  EXPECT_EQ(nint + nreal, 0);
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMAlExHdrInfo(kA, 9, 64, 1, 1), 0); }),
            "IMAlExHdrInfo 21: 9 is an invalid ext header type. Switching to 4.\n");
}

TEST_F(ExtHeaderTest, CreateAndResize) {
  std::string path = dir_.file("create.im");
  ASSERT_EQ(IMOpen(kA, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kA, 1, 1, 10, 1, 1, 1, IM_ZWTP, IM_BYTE), 0);
  struct Case {
    int type, blocks;
    const char* message;
    int size, nint, nreal, rc;
  } cases[] = {
      {0, -1, "", (2 + 4) * 1024, 8, 32, 0},
      {0, -2, "IMCrExHdr 21: invalid number of field blocks (-2). Setting to 4...\n",
       (2 + 4) * 1024, 8, 32, 0},
      {1, 0, "", 1024, 1, 1, 0},
      {2, 2, "", 3 * 1024, 0, 2, 0},
      {5, 1, "IMCrExHdr 21: invalid ext header type (5).\n", 3 * 1024, 0, 2, 702},
  };
  for (const Case& c : cases) {
    const std::string printed = imtest::StderrOf([&] {
      EXPECT_EQ(IMCrExHdr(kA, c.type, c.blocks), c.rc);
    });
    EXPECT_EQ(printed, c.message);
    int type, size, nint, nreal;
    IMRtExHdrInfo(kA, &type, &size, &nint, &nreal);
    EXPECT_EQ(size, c.size) << c.type << "/" << c.blocks;
    EXPECT_EQ(nint, c.nint);
    EXPECT_EQ(nreal, c.nreal);
  }
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMAlExHdrSize2(kA, 1, 1, 4, -3), 0); }),
            "IMAlExHdrSize2 21: requested number of sections is less than current image size (4 "
            "< 10).\n");
  int size = 0;
  IMRtExHdrInfo(kA, nullptr, &size, nullptr, nullptr);
  EXPECT_EQ(size, 1024);
}

// Integer 0 and float 0 of each source section: 1 + z + 10 w + 100 t (0:
// no value).
int SourceCode(int z, int w, int t) { return 1 + z + 10 * w + 100 * t; }

// Integer 0 of the destination's section at (z, w, t); float 0 must agree.
int DestinationValue(int stream, int z, int w, int t) {
  int ints[8] = {-1};
  float floats[32] = {-1};
  EXPECT_EQ(IMRtExHdrZWTP(stream, z, w, t, 0, ints, floats), 0);
  EXPECT_EQ(floats[0], float(ints[0]));
  return ints[0];
}

TEST_F(ExtHeaderTest, CopyingBetweenStreams) {
  std::string src = dir_.file("src.im"), dst = dir_.file("dst.im");
  ASSERT_EQ(IMOpen(kA, src.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kA, 1, 1, 2, 2, 3, 1, IM_ZWTP, IM_BYTE), 0);  // 12 sections, type 4
  for (int sec = 0; sec < 12; ++sec) {
    int ints[8] = {SourceCode(sec % 2, sec / 2 % 2, sec / 4)};
    float floats[32] = {float(ints[0])};
    ASSERT_EQ(IMAlExHdr(kA, sec, ints, floats), 0);
  }
  ASSERT_EQ(IMAlFieldInt(kA, "frames", 3), 0);

  // Values land at their destination coordinates in the destination's own
  // order; coordinates outside the source select sections without values.
  struct Case {
    const char* what;
    int nz, nw, nt, sequence;  // destination
    int z0, z1, t0, t1, tstep;
    int flags[2];
    std::vector<int> expected;  // destination (z, w, t), z fastest, then w, t
  } cases[] = {
      {"all Z and W into a WZTP destination", 2, 2, 1, IM_WZTP, 0, 1, 0, 0, 1, {1, 1},
       {SourceCode(0, 0, 0), SourceCode(1, 0, 0), SourceCode(0, 1, 0), SourceCode(1, 1, 0)}},
      {"wavelength 1, Z 1, T -1..2 by 2", 1, 1, 2, IM_ZWTP, 1, 1, -1, 2, 2, {0, 1},
       {0, SourceCode(1, 1, 1)}},
      {"Z 1..2 beyond the source", 2, 1, 1, IM_ZWTP, 1, 2, 2, 2, 1, {1, 0},
       {SourceCode(1, 0, 2), 0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(IMOpen(kB, dst.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(kB, 1, 1, c.nz, c.nw, c.nt, 1, c.sequence, IM_BYTE), 0);
    EXPECT_EQ(imtest::StdoutOf([&] {
                EXPECT_EQ(IMTrExHdr3(kB, kA, c.z0, c.z1, 1, c.flags, 2, c.t0, c.t1, c.tstep), 0);
              }),
              "Transferring field 0: frames i 1 3\n")
        << c.what;
    std::vector<int> got;
    for (int t = 0; t < c.nt; ++t)
      for (int w = 0; w < c.nw; ++w)
        for (int z = 0; z < c.nz; ++z) got.push_back(DestinationValue(kB, z, w, t));
    EXPECT_EQ(got, c.expected) << c.what;
    int frames = 0;
    EXPECT_EQ(IMRtFieldInt(kB, "frames", &frames), 0);
    EXPECT_EQ(frames, 3);
    imtest::StderrOf([] { IMClose(kB); });
  }
  ASSERT_EQ(IMOpen(kB, dst.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kB, 1, 1, 2, 1, 1, 1, IM_ZWTP, IM_BYTE), 0);
  const int flags[2] = {0, 1};
  int ints[8];
  float floats[32];

  ASSERT_EQ(IMTrExHdr(kB, kA, 0, 11), 0);
  ASSERT_EQ(IMRtExHdr(kB, 0, ints, floats), 0);
  EXPECT_EQ(ints[0], SourceCode(1, 1, 2));
  EXPECT_FLOAT_EQ(floats[0], float(SourceCode(1, 1, 2)));

  ASSERT_EQ(IMCrExHdr(kB, 1, 0), 0);
  EXPECT_EQ(imtest::StderrOf([&] {
              EXPECT_EQ(IMTrExHdr(kB, kA, 0, 0), IM_ERR_EXT_TYPE_MISMATCH);
              EXPECT_EQ(IMTrExHdr4(kB, kA, 0, 0, 1, flags, 2, 0, 0, 1, 0, 0),
                        IM_ERR_EXT_TYPE_MISMATCH);
            }),
            "IMTrExHdr 22->21: extended header type mismatch (1/4)\n"
            "IMTrExHdr4 21->22: extended header type mismatch (4/1)\n");
  ASSERT_EQ(IMCrExHdr(kB, 4, 1), 0);
  const int five[5] = {1, 0, 0, 0, 0};
  EXPECT_EQ(imtest::StderrOf([&] {
              imtest::StdoutOf([&] { EXPECT_EQ(IMTrExHdr2(kB, kA, 0, 1, -1, five, 0, 0, 0), 0); });
            }),
            "IMTrExHdr2: switch to IMTrExHdr3. Backwards compatibility enabled...\n"
            "IMTrExHdr4: Z section increment must be greater than 0. Fixed.\n"
            "IMTrExHdr4: time increment must be greater than 0. Fixed.\n");
  ASSERT_EQ(IMRtExHdr(kB, 1, ints, floats), 0);
  EXPECT_EQ(ints[0], SourceCode(1, 0, 0));
}

TEST_F(ExtHeaderTest, ForeignOrderSectionBlockIsReversed) {
  std::string path = dir_.file("foreign.im");
  ASSERT_EQ(IMOpen(kA, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(kA, 1, 1, 2, 1, 1, 1, IM_ZWTP, IM_BYTE), 0);
  int ints[8] = {1, 2, 3, 4, 5, 6, 7, 0x01020304};
  float floats[32] = {};
  floats[13] = 3.25f;
  ASSERT_EQ(IMAlExHdr(kA, 1, ints, floats), 0);
  ASSERT_EQ(IMAlFieldChar(kA, "who", "me"), 0);
  ASSERT_EQ(IMWrHdr2(kA, 1), 0);
  IMClose(kA);
  imtest::ConvertToForeignOrder(path);
  ASSERT_EQ(IMOpen(kB, path.c_str(), "ro"), 0);
  double v = 0;
  ASSERT_EQ(IMRtExHdrValueZWTP(kB, 1, 0, 0, 0, 13, &v), 0);
  EXPECT_DOUBLE_EQ(v, 3.25);
  ASSERT_EQ(IMRtExHdrValueZWTP(kB, 1, 0, 0, 0, 1003, &v), 0);
  EXPECT_DOUBLE_EQ(v, 4 + 1e-10);
  char* who = nullptr;
  ASSERT_EQ(IMRtFieldChar(kB, "who", &who), 0);
  EXPECT_STREQ(who, "me");
  free(who);
}

}  // namespace
